# GoogleTest for a cross build, from the sources Debian's googletest package
# installs, built with the same compiler and runtime as the tests.
set(googletest_source /usr/src/googletest)
if(NOT EXISTS ${googletest_source}/CMakeLists.txt)
  message(STATUS "Unit tests off: no GoogleTest sources in ${googletest_source} (scripts/packages-windows.txt)")
  set(GTest_FOUND FALSE)
  return()
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${googletest_source} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest names its targets GTest::gtest and GTest::gtest_main itself.
set(GTest_FOUND TRUE)
