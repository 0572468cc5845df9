# Compiler settings shared by every target of the project.
add_library(kavo_options INTERFACE)
target_compile_options(kavo_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  # Results must not depend on the compiler fusing a multiply and an add: the order of the
  # floating-point operations is part of what the program computes.
  -ffp-contract=off)
if(KAVO_WERROR)
  target_compile_options(kavo_options INTERFACE -Werror)
endif()

if(KAVO_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(KAVO_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(KAVO_SANITIZE)
  message(FATAL_ERROR "KAVO_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Helper for test executables: GoogleTest with the project's options, registered with CTest.
include(GoogleTest)
find_package(GTest)
function(kavo_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock kavo_options)
  target_compile_definitions(${name} PRIVATE KAVO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS core)
endfunction()
