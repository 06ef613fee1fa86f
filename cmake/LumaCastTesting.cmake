include(CTest)
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# lumacast_add_test(<name> SOURCES ... LIBS ... [PREFIX <text>]): one GoogleTest
# program; each of its tests is one ctest test (named <PREFIX><Suite>.<Test>,
# so two builds of the same sources stay apart), run in a process of its own
# with a user of its own (tests/support/test_main.cc). On the Windows build they run
# under Wine through CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run.sh).
# Where Wine cannot start (a kernel without 32-bit emulation), merely listing
# a GoogleTest program of the Windows build fails ctest as a whole, since the
# list comes from running the program. Off, the programs are still built but
# not listed; the tests that run on the build machine itself carry the label
# "host" and can run alone.
option(LUMACAST_WINE_TESTS "List the Windows build's GoogleTest programs (they run under Wine)" ON)

function(lumacast_add_test name)
  cmake_parse_arguments(T "" "PREFIX" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} lumacast_test_main GTest::gtest)
  target_compile_definitions(${name} PRIVATE
    LUMACAST_SOURCE_DIR="${PROJECT_SOURCE_DIR}" LUMACAST_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(WIN32 AND NOT LUMACAST_WINE_TESTS)
    return()
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    TEST_PREFIX "${T_PREFIX}" PROPERTIES TIMEOUT 120)
endfunction()

# lumacast_add_script_test(<name> <script> [ARGS...]): a Python test script,
# run by the host's interpreter named by its path. Named as a target
# (Python3::Interpreter), ctest would start it through the cross-compiling
# emulator, and Wine hands a Unix program off and ends 0 whatever the script
# says: the test could never fail. Empty arguments are dropped on the way:
# give an option that may be empty as "--name=${value}".
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(lumacast_add_script_test name script)
  add_test(NAME ${name} COMMAND "${Python3_EXECUTABLE}" "${script}" ${ARGN})
endfunction()
