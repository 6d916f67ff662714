# GoogleTest from the sources Debian ships, built with the tree's own compiler.
set(KORVO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(NOT EXISTS ${KORVO_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${KORVO_GTEST_SOURCE_DIR}: run tools/setup.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(${KORVO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(GoogleTest)

# korvo_add_gtest(<target> <test-name-prefix> [SERIAL] [FIXTURES <fixture>...]):
# registers the tests of one executable; in the Windows trees they run
# through Wine. They run after the set-up of the fixtures named. SERIAL: each
# test runs alone (tests that drive the desktop's one cursor and focus). A
# hung test fails after five minutes instead of holding the run.
function(korvo_add_gtest target prefix)
  cmake_parse_arguments(PARSE_ARGV 2 arg "SERIAL" "" "FIXTURES")
  korvo_target_warnings(${target})
  target_link_libraries(${target} PRIVATE korvo_test_main GTest::gmock)
  set(serial)
  if(arg_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  if(CMAKE_CROSSCOMPILING)
    # Discovery runs Wine too: at test time, not at build time, and with room
    # for the first run that creates the prefix.
    gtest_discover_tests(${target}
      TEST_PREFIX "wine.${prefix}."
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300 ${serial})
  else()
    gtest_discover_tests(${target} TEST_PREFIX "${prefix}." DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
  if(arg_FIXTURES)
    # Discovery flattens list-valued properties, so the discovered tests get
    # their fixture list from a script that CTest reads after discovery's.
    set(fixtures ${arg_FIXTURES})
    if(CMAKE_CROSSCOMPILING)
      list(PREPEND fixtures wine)
    endif()
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_fixtures.cmake)
    file(WRITE ${script}
      "if(DEFINED ${target}_TESTS)\n"
      "  set_tests_properties(\${${target}_TESTS} PROPERTIES FIXTURES_REQUIRED \"${fixtures}\")\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
  endif()
endfunction()
