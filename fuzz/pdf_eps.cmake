# The EPS/AI translator of DrawImage against garbage.
kaveltar_fuzz(pdf_eps SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pdf_eps.cc DEPS kaveltar_pdf)
