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

# Dozens of test programs link the same large libraries: mold links them in a fraction of the time of
# the system's linker, where it is installed.
find_program(KAVO_MOLD mold)
if(KAVO_MOLD)
  add_link_options(-fuse-ld=mold)
endif()

# Test code is compiled without optimisation and with line tables only: what the tests run is the
# libraries' code, built as the configuration says, and a test source compiles in half the time.
# Position-independent, as Qt asks of the tests that link it, so that one precompiled header serves
# every test.
set(KAVO_TEST_COMPILE_OPTIONS -O0 -g1 -fPIC)

# In the address-sanitizer build CTest starts test programs through scripts/sanitizer-run.sh, which
# keeps the leak checker from misreading thread-local storage at exit (see the script).
function(kavo_sanitizer_launcher target)
  if(KAVO_SANITIZE STREQUAL "address")
    set_property(TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR
      bash ${PROJECT_SOURCE_DIR}/scripts/sanitizer-run.sh)
  endif()
endfunction()

# Helper for test executables: GoogleTest with the project's options, registered with CTest. Every
# one shares one precompiled header of GoogleTest and the standard library.
include(GoogleTest)
find_package(GTest)
if(GTest_FOUND)
  add_library(kavo_gtest_pch OBJECT ${PROJECT_SOURCE_DIR}/cmake/precompiled.cpp)
  target_link_libraries(kavo_gtest_pch PRIVATE GTest::gtest GTest::gmock kavo_options)
  target_compile_options(kavo_gtest_pch PRIVATE ${KAVO_TEST_COMPILE_OPTIONS})
  target_precompile_headers(kavo_gtest_pch PRIVATE
    <gtest/gtest.h> <gmock/gmock.h> <algorithm> <array> <chrono> <cmath> <cstdint> <filesystem> <fstream>
    <functional> <map> <memory> <optional> <set> <sstream> <string> <string_view> <vector>)
endif()
# Registers a test program with CTest once it is built: one test for each of its test suites, whose
# cases run in one process of the program (see cmake/KavoSuiteTests.cmake). The test programs load
# OpenCV, Qt and their dependencies, over 150 libraries; under the sanitizers that start takes as long
# as most cases, and a process per case would spend minutes of every test run on it.
function(kavo_discover_suites target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LABELS" ${ARGN})
  get_property(launcher TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR)
  string(JOIN " " launcher ${launcher})
  string(JOIN "," labels ${ARG_LABELS})
  set(tests_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} "-DTEST_EXECUTABLE=$<TARGET_FILE:${target}>" "-DTEST_LAUNCHER=${launcher}"
            "-DTEST_WORKING_DIR=${CMAKE_CURRENT_BINARY_DIR}" "-DTEST_LABELS=${labels}"
            "-DTEST_TIMEOUT=${ARG_TIMEOUT}" "-DCTEST_FILE=${tests_file}"
            -P ${PROJECT_SOURCE_DIR}/cmake/KavoSuiteTests.cmake
    BYPRODUCTS ${tests_file}
    VERBATIM)
  set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake")
  file(WRITE ${include_file}
    "if(EXISTS [==[${tests_file}]==])\n  include([==[${tests_file}]==])\nelse()\n"
    "  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()

function(kavo_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock kavo_options)
  target_compile_definitions(${name} PRIVATE KAVO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  target_compile_options(${name} PRIVATE ${KAVO_TEST_COMPILE_OPTIONS})
  target_precompile_headers(${name} REUSE_FROM kavo_gtest_pch)
  kavo_sanitizer_launcher(${name})
  kavo_discover_suites(${name} LABELS core)
endfunction()
