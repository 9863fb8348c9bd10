# The reader of an existing PDF file's information and page count (PdfDocument::GetInfo).
kaveltar_fuzz(pdf_info SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pdf_info.cc DEPS kaveltar_pdf)
