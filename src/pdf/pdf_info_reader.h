// Reads the information dictionary and the page count of an existing PDF file, for
// PdfDocument::GetInfo. It follows the trailer's /Info and /Root references to objects
// written in the open (not inside compressed object streams), so it reads the files this
// writer makes and most files of other programs; anything else gives a reason, never a
// crash or a hang.
#ifndef KAVELTAR_PDF_PDF_INFO_READER_H_
#define KAVELTAR_PDF_PDF_INFO_READER_H_

#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

// `key`: "Title", "Author", "Creator", "Producer", "Subject", "Keywords", "CreationDate",
// "ModDate" (case does not matter) or "Pages". *value gets the entry as UTF-8, or "" when
// the file has none. Returns false with an Italian reason when the key is unknown or the
// file cannot be read as PDF.
bool ReadPdfInfo(std::string_view pdf, std::string_view key, std::string* value,
                 std::string* reason);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_INFO_READER_H_
