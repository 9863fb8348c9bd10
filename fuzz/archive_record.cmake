kaveltar_fuzz(archive_record SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/archive_record.cc DEPS kaveltar_archive)
