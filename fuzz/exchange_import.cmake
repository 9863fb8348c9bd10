kaveltar_fuzz(exchange_import SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/exchange_import.cc DEPS kaveltar_exchange)
