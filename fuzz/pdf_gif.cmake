# The GIF reader of DrawImage against garbage.
kaveltar_fuzz(pdf_gif SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pdf_gif.cc DEPS kaveltar_pdf)
