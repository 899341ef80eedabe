# Test registration: GoogleTest programs natively (a CTest test per case) and under Wine (a test per program), the Wine prefixes and sessions.
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
  # With the win32 thread model, through GoogleTest's own port hook.
  target_include_directories(gtest BEFORE PUBLIC ${PROJECT_SOURCE_DIR}/tests/gtest_port)
  add_library(tervane_gtest_main INTERFACE)
  target_link_libraries(tervane_gtest_main INTERFACE gtest_main)

  # Windows programs run under the Wine of the build's architecture, in
  # prefixes of the build's own: the headless suites in wineprefix, and
  # everything that opens a window in one of three sessions, each a prefix with
  # a private X display that the fixture wine_session_<n> starts once and ends
  # (and removes) after its last test. A server restart in a session (a change
  # of DPI) or a registry seed of the end-to-end suites never reaches the
  # headless suites, and three suites that open windows run at once.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(TERVANE_WINE_ARCH win32)
  else()
    set(TERVANE_WINE_ARCH win64)
  endif()
  set(TERVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(TERVANE_WINE_COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine --arch ${TERVANE_WINE_ARCH})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TERVANE_WINE_COMMAND} --prefix ${TERVANE_WINE_PREFIX})
  set(session_prefixes)
  foreach(session 1 2 3 4)
    set(TERVANE_SESSION_PREFIX_${session} ${CMAKE_BINARY_DIR}/session-prefix-${session})
    list(APPEND session_prefixes ${TERVANE_SESSION_PREFIX_${session}})
    set(TERVANE_SESSION_STATE_${session} ${CMAKE_BINARY_DIR}/session-${session}.state)
    set(session_args --prefix ${TERVANE_SESSION_PREFIX_${session}})
    # Runs a Linux command in the session: append [--dpi N] -- COMMAND [ARGS...].
    set(TERVANE_IN_SESSION_${session} ${TERVANE_WINE_COMMAND} ${session_args}
                                      --in-session ${TERVANE_SESSION_STATE_${session}})
    if(TERVANE_WINE)
      add_test(NAME wine_session_start_${session}
               COMMAND ${TERVANE_WINE_COMMAND} ${session_args}
                       --session-start ${TERVANE_SESSION_STATE_${session}})
      add_test(NAME wine_session_end_${session}
               COMMAND ${TERVANE_WINE_COMMAND} ${session_args}
                       --session-end ${TERVANE_SESSION_STATE_${session}} --discard)
      set_tests_properties(wine_session_start_${session} PROPERTIES
                           FIXTURES_SETUP wine_session_${session} FIXTURES_REQUIRED wine_prefix
                           TIMEOUT 300)
      set_tests_properties(wine_session_end_${session} PROPERTIES
                           FIXTURES_CLEANUP wine_session_${session})
    endif()
  endforeach()
  if(TERVANE_WINE)
    # The prefix is made by a test of its own, before the tests that use it,
    # and copied for each session before any test changes it.
    add_test(NAME wine_prefix
             COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --make-prefix ${session_prefixes})
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
  endif()
else()
  find_package(GTest REQUIRED)
  add_library(tervane_gtest_main INTERFACE)
  target_link_libraries(tervane_gtest_main INTERFACE GTest::gtest_main)
endif()

# tervane_discover_tests(<target> [FILTER <gtest filter>] [SUFFIX <text>] [ISOLATED]
#                        [PROPERTIES <property value...>])
# Registers the cases of a GoogleTest program with CTest. Natively each case
# is a test of its own, listed when CTest runs. Under Wine one test named
# after the program (and the suffix) runs them all in one process, since each
# Windows process start costs a second where a case costs milliseconds;
# with ISOLATED, for programs whose cases change their process for good
# (which comctl32 it loaded), in a process each (tests/wine/each-case).
function(tervane_discover_tests target)
  # Where the host cannot run this architecture's programs (TERVANE_WINE off)
  # they are built but not registered; only the checks of the built files run.
  if(TERVANE_WIN32 AND NOT TERVANE_WINE)
    return()
  endif()
  cmake_parse_arguments(D "ISOLATED" "FILTER;SUFFIX" "PROPERTIES" ${ARGN})
  if(NOT TERVANE_WIN32)
    set(options)
    if(D_FILTER)
      list(APPEND options TEST_FILTER ${D_FILTER})
    endif()
    gtest_discover_tests(${target} ${options} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         NO_PRETTY_VALUES PROPERTIES TIMEOUT ${TERVANE_TEST_TIMEOUT} ${D_PROPERTIES})
    return()
  endif()
  set(name ${target}${D_SUFFIX})
  set(filter)
  if(D_FILTER)
    set(filter --gtest_filter=${D_FILTER})
  endif()
  if(D_ISOLATED)
    get_target_property(emulator ${target} CROSSCOMPILING_EMULATOR)
    if(NOT emulator)
      set(emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/each-case ${emulator}
                                  $<TARGET_FILE:${target}> ${filter})
  else()
    add_test(NAME ${name} COMMAND ${target} ${filter})
  endif()
  # A filter that matches nothing passes in GoogleTest; here it fails.
  set_tests_properties(${name} PROPERTIES TIMEOUT ${TERVANE_TEST_TIMEOUT}
                       FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests" ${D_PROPERTIES})
  set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED wine_prefix)
endfunction()

# tervane_in_session(<session> <test>...)
# The tests run in Wine session 1, 2 or 3, one at a time: each finds its windows
# by their class, so two would see each other's.
function(tervane_in_session session)
  set_tests_properties(${ARGN} PROPERTIES RESOURCE_LOCK wine_session_${session})
  set_property(TEST ${ARGN} APPEND PROPERTY FIXTURES_REQUIRED wine_session_${session})
endfunction()

# tervane_wine_only(<target>...)
# Programs that only the Wine suites run: where this architecture's programs
# cannot run (TERVANE_WINE off) the build leaves them out.
function(tervane_wine_only)
  if(TERVANE_WIN32 AND NOT TERVANE_WINE)
    set_target_properties(${ARGN} PROPERTIES EXCLUDE_FROM_ALL ON)
  endif()
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
  tervane_wine_only(${T_NAME})
  tervane_discover_tests(${T_NAME} PROPERTIES ${T_PROPERTIES})
endfunction()
