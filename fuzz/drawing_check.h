// Shared by the fuzz targets of the WMF and EPS/AI translators: a drawing they accept has
// a positive size and balanced save/restore operators.
#ifndef KAVELTAR_FUZZ_DRAWING_CHECK_H_
#define KAVELTAR_FUZZ_DRAWING_CHECK_H_

#include <cstddef>
#include <cstdlib>

#include "pdf/pdf_drawing.h"

inline void CheckDrawing(const kaveltar::pdf_internal::VectorDrawing& drawing) {
  if (!(drawing.width > 0) || !(drawing.height > 0)) std::abort();
  long depth = 0;
  for (size_t i = 0; i < drawing.content.size(); ++i) {
    const bool alone = (i == 0 || drawing.content[i - 1] == '\n') &&
                       (i + 1 == drawing.content.size() || drawing.content[i + 1] == '\n');
    if (!alone) continue;
    if (drawing.content[i] == 'q') ++depth;
    if (drawing.content[i] == 'Q' && --depth < 0) std::abort();
  }
  if (depth != 0) std::abort();
}

#endif  // KAVELTAR_FUZZ_DRAWING_CHECK_H_
