kaveltar_fuzz(mdb_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mdb_reader.cc DEPS kaveltar_migrate)
