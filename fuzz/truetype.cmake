# The TrueType table reader of AddFont against garbage.
kaveltar_fuzz(truetype SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/truetype.cc DEPS kaveltar_pdf)
