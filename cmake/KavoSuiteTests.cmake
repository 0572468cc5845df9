# Writes the CTest tests of one GoogleTest program: one test for each of its test suites, each
# running the suite's cases in one process of the program. Run after the program is built:
#   cmake -D TEST_EXECUTABLE=... -D TEST_LAUNCHER=... -D TEST_WORKING_DIR=... -D TEST_LABELS=...
#         -D TEST_TIMEOUT=... -D CTEST_FILE=... -P KavoSuiteTests.cmake
# The suites come from the program's own list (--gtest_list_tests), so a case added to a suite is run
# without a change here; a case that fails is named by GoogleTest's output within its suite's test.
# A case that skips itself shows in that output too; it does not mark its suite as skipped, which
# would hide a failure of another case beside it.
cmake_minimum_required(VERSION 3.20)

separate_arguments(launcher UNIX_COMMAND "${TEST_LAUNCHER}")
string(REPLACE "," ";" TEST_LABELS "${TEST_LABELS}")
execute_process(COMMAND ${launcher} "${TEST_EXECUTABLE}" --gtest_list_tests
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 60)
if(NOT result EQUAL 0)
  file(REMOVE "${CTEST_FILE}")
  message(FATAL_ERROR "${TEST_EXECUTABLE} --gtest_list_tests failed (${result}):\n${listing}${errors}")
endif()

string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
set(suites "")
foreach(line IN LISTS lines)
  # A suite's line starts at the margin and ends with a dot, before any "# TypeParam" comment; its
  # cases follow, indented.
  if(line MATCHES "^([^ #][^ ]*)\\.( |$)")
    set(suite "${CMAKE_MATCH_1}")
    if(suite IN_LIST suites)
      continue()
    endif()
    list(APPEND suites "${suite}")
    string(APPEND script
      "add_test([=[${suite}]=] ${TEST_LAUNCHER} [==[${TEST_EXECUTABLE}]==] [==[--gtest_filter=${suite}.*]==])\n"
      "set_tests_properties([=[${suite}]=] PROPERTIES WORKING_DIRECTORY [==[${TEST_WORKING_DIR}]==] "
      "LABELS [==[${TEST_LABELS}]==]")
    if(TEST_TIMEOUT)
      string(APPEND script " TIMEOUT ${TEST_TIMEOUT}")
    endif()
    string(APPEND script ")\n")
  endif()
endforeach()
if(suites STREQUAL "")
  message(FATAL_ERROR "${TEST_EXECUTABLE} lists no test suites:\n${listing}")
endif()
file(WRITE "${CTEST_FILE}" "${script}")
