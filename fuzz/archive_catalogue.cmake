kaveltar_fuzz(archive_catalogue SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/archive_catalogue.cc DEPS kaveltar_archive)
