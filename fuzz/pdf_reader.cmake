# The PDF reader of ImportPage against garbage.
kaveltar_fuzz(pdf_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pdf_reader.cc DEPS kaveltar_pdf)
