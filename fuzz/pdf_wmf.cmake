# The WMF translator of DrawImage against garbage.
kaveltar_fuzz(pdf_wmf SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pdf_wmf.cc DEPS kaveltar_pdf)
