kaveltar_fuzz(archive_index SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/archive_index.cc DEPS kaveltar_archive)
