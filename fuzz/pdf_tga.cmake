# The TGA reader of DrawImage against garbage.
kaveltar_fuzz(pdf_tga SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pdf_tga.cc DEPS kaveltar_pdf)
