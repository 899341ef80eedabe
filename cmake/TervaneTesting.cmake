# Test registration: every GoogleTest case is its own CTest test, run natively or under Wine.
include_guard(GLOBAL)

if(NOT TERVANE_TESTS)
  return()
endif()

enable_testing()
include(GoogleTest)

# Seconds a single case may take before CTest stops it: native cases take
# milliseconds, a case under Wine starts a Windows process.
if(TERVANE_WIN32)
  set(TERVANE_TEST_TIMEOUT 120)
else()
  set(TERVANE_TEST_TIMEOUT 10)
endif()

if(TERVANE_WIN32)
  # GoogleTest built from the system's sources with the cross compiler.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_library(tervane_gtest_main INTERFACE)
  target_link_libraries(tervane_gtest_main INTERFACE gtest_main)

  # Windows programs, test listings included, run under the Wine of the
  # build's architecture in the build's own prefix, which scripts/wine makes
  # at its first use.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(TERVANE_WINE_ARCH win32)
  else()
    set(TERVANE_WINE_ARCH win64)
  endif()
  set(TERVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(TERVANE_WINE_COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine --arch ${TERVANE_WINE_ARCH})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TERVANE_WINE_COMMAND} --prefix ${TERVANE_WINE_PREFIX})
else()
  find_package(GTest REQUIRED)
  add_library(tervane_gtest_main INTERFACE)
  target_link_libraries(tervane_gtest_main INTERFACE GTest::gtest_main)
endif()

# tervane_discover_tests(<target> [FILTER <gtest filter>] [SUFFIX <text>]
#                        [PROPERTIES <property value...>])
# Lists the cases of a GoogleTest program to CTest when CTest runs, so that
# the build never needs Wine; under Wine the first listing may have to make
# the prefix.
function(tervane_discover_tests target)
  # Where the host cannot run this architecture's programs (TERVANE_WINE off)
  # they are built but not registered; only the checks of the built files run.
  if(TERVANE_WIN32 AND NOT TERVANE_WINE)
    return()
  endif()
  cmake_parse_arguments(D "" "FILTER;SUFFIX" "PROPERTIES" ${ARGN})
  set(options)
  if(D_FILTER)
    list(APPEND options TEST_FILTER ${D_FILTER})
  endif()
  if(D_SUFFIX)
    list(APPEND options TEST_SUFFIX ${D_SUFFIX})
  endif()
  gtest_discover_tests(${target} ${options} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300
                       NO_PRETTY_VALUES PROPERTIES TIMEOUT ${TERVANE_TEST_TIMEOUT} ${D_PROPERTIES})
endfunction()

# tervane_add_gtest(NAME <name> SOURCES <files...> [LIBS <targets...>]
#                   [NATIVE_ONLY] [WINDOWS_ONLY] [PROPERTIES <property value...>])
# One GoogleTest program; each of its cases becomes a CTest test.
function(tervane_add_gtest)
  cmake_parse_arguments(T "NATIVE_ONLY;WINDOWS_ONLY" "NAME" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  if((TERVANE_WIN32 AND T_NATIVE_ONLY) OR (NOT TERVANE_WIN32 AND T_WINDOWS_ONLY))
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} tervane_gtest_main)
  tervane_discover_tests(${T_NAME} PROPERTIES ${T_PROPERTIES})
endfunction()
