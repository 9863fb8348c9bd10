# The image readers of the PDF writer (JPEG frame headers, BMP decoding) against garbage.
kaveltar_fuzz(pdf_images SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pdf_images.cc DEPS kaveltar_pdf)
