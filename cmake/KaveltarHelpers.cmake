# Build helpers shared by every folder: one warning list, one way to declare a core library
# and one way to declare a GoogleTest binary.

set(KAVELTAR_WARNINGS -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND KAVELTAR_WARNINGS -Wshadow=local)
endif()
# CI builds (scripts/test) turn every warning of our own code into an error.
if(KAVELTAR_WERROR)
  list(APPEND KAVELTAR_WARNINGS -Werror)
endif()

if(KAVELTAR_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(KAVELTAR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# kaveltar_library(<folder> SOURCES ... [DEPS ...])
# Declares the library target kaveltar_<folder>; includes are written from src/.
function(kaveltar_library folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  set(target kaveltar_${folder})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${target} PRIVATE ${KAVELTAR_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# kaveltar_test(<name> SOURCES ... [DEPS ...])
# One GoogleTest binary, registered with CTest under a pinned environment.
function(kaveltar_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  set(target test_${name})
  add_executable(${target} ${ARG_SOURCES})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${target} PRIVATE ${KAVELTAR_WARNINGS})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${target})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "LANG=C.UTF-8;LC_ALL=C.UTF-8;QT_QPA_PLATFORM=offscreen;TZ=Europe/Rome;KAVELTAR_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR};KAVELTAR_LOG=${CMAKE_BINARY_DIR}/test-kaveltar.log"
    TIMEOUT 600)
endfunction()
