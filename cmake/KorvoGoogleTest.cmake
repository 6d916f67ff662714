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

# korvo_add_gtest(<target> <test-name-prefix>): registers the tests of one
# executable; in the cross tree they run through Wine. A hung test fails
# after five minutes instead of holding the run.
function(korvo_add_gtest target prefix)
  korvo_target_warnings(${target})
  target_link_libraries(${target} PRIVATE GTest::gtest_main GTest::gmock)
  if(CMAKE_CROSSCOMPILING)
    # Discovery runs Wine too: at test time, not at build time, and with room
    # for the first run that creates the prefix.
    gtest_discover_tests(${target}
      TEST_PREFIX "wine.${prefix}."
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
  else()
    gtest_discover_tests(${target} TEST_PREFIX "${prefix}." DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()
