include(CTest)
if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# lumacast_add_test(<name> SOURCES ... LIBS ...): one GoogleTest program; on the
# Windows build it runs under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
function(lumacast_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    LUMACAST_SOURCE_DIR="${PROJECT_SOURCE_DIR}" LUMACAST_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
endfunction()
