// Reader of EPS and Adobe Illustrator (PostScript-based) drawings for DrawImage. A small
// subset of PostScript is translated into PDF path operators; nothing is executed.
//
// File: PostScript text, or the binary DOS EPS wrapper: C5 D0 D3 C6, 4 offset and 8 length
// (little-endian, 4 bytes each) of the PostScript section. The box comes from the first
// "%%HiResBoundingBox:" or "%%BoundingBox:" comment with four numbers (llx lly urx ury);
// without one the file is refused. The drawing keeps PostScript's coordinates (points, Y
// upwards) with the box's lower-left corner at the origin.
//
// Tokens: numbers push onto the operand stack; "%" starts a comment; strings "( )" with
// nesting and "< >", procedures "{ }", arrays "[ ]", dictionaries "<< >>" and literal names
// "/name" are skipped; any other name is an operator. Operators understood (operands are
// taken from the top of the stack):
//   moveto lineto curveto rmoveto rlineto rcurveto closepath newpath
//   fill eofill stroke setgray setrgbcolor setcmykcolor setlinewidth gsave grestore
//   Illustrator: m l c v y (curves with the first or last control on a point), h,
//     f and s (close, then fill or stroke), F and S (fill or stroke), b and B (close or not,
//     fill and stroke), n (discard), g and G (grey fill and stroke), k and K (CMYK fill and
//     stroke), w (line width), q and Q (save and restore)
// Any other operator clears the operand stack and is otherwise ignored. PostScript's single
// current colour sets both the fill and the stroke colour. The path under construction is
// kept aside and written only when it is painted, so "gsave fill grestore stroke" paints the
// same path twice as PostScript does.
#ifndef KAVELTAR_PDF_PDF_EPS_H_
#define KAVELTAR_PDF_PDF_EPS_H_

#include <string>
#include <string_view>

#include "pdf/pdf_drawing.h"

namespace kaveltar::pdf_internal {

bool TranslateEps(std::string_view data, VectorDrawing* drawing, std::string* reason);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_EPS_H_
