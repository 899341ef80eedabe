# Test registration: GoogleTest programs natively (a CTest test per case) and under Wine (a test per program), the Wine prefixes and sessions.
# How the Windows suites start Wine seldom, in a prefix and four sessions of
# the build's own: docs/design.md, "Wine started rarely". Every test that
# needs Wine carries the label wine.
include_guard(GLOBAL)
enable_testing()
if(NOT TERVANE_TESTS)
  return()
endif()
include(GoogleTest)

add_library(tervane_gtest_main INTERFACE)
if(NOT TERVANE_WIN32)
  find_package(GTest REQUIRED)
  target_link_libraries(tervane_gtest_main INTERFACE GTest::gtest_main)
  # Seconds a case may take: native cases take milliseconds, the longest some
  # seconds under the sanitizers and the fuzzers' coverage counters.
  set(TERVANE_TEST_TIMEOUT 30)
else()
  # GoogleTest from the system's sources, with the win32 thread model through
  # GoogleTest's own port hook.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_include_directories(gtest BEFORE PUBLIC ${PROJECT_SOURCE_DIR}/tests/gtest_port)
  target_link_libraries(tervane_gtest_main INTERFACE gtest_main)
  # A program under Wine starts a Windows process.
  set(TERVANE_TEST_TIMEOUT 120)

  set(TERVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(TERVANE_WINE_COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine --arch ${TERVANE_WINE_ARCH})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TERVANE_WINE_COMMAND} --prefix ${TERVANE_WINE_PREFIX})
  set(session_prefixes)
  foreach(session 1 2 3 4)
    set(TERVANE_SESSION_PREFIX_${session} ${CMAKE_BINARY_DIR}/session-prefix-${session})
    list(APPEND session_prefixes ${TERVANE_SESSION_PREFIX_${session}})
    set(wine ${TERVANE_WINE_COMMAND} --prefix ${TERVANE_SESSION_PREFIX_${session}})
    set(state ${CMAKE_BINARY_DIR}/session-${session}.state)
    # Runs a Linux command in the session: append [--dpi N] -- COMMAND [ARGS...].
    set(TERVANE_IN_SESSION_${session} ${wine} --in-session ${state})
    set(TERVANE_SESSION_STATE_${session} ${state})
    if(TERVANE_WINE)
      add_test(NAME wine_session_start_${session} COMMAND ${wine} --session-start ${state})
      add_test(NAME wine_session_end_${session} COMMAND ${wine} --session-end ${state} --discard)
      set_tests_properties(wine_session_start_${session} PROPERTIES LABELS wine TIMEOUT 300
        FIXTURES_SETUP wine_session_${session} FIXTURES_REQUIRED wine_prefix)
      set_tests_properties(wine_session_end_${session} PROPERTIES LABELS wine
        FIXTURES_CLEANUP wine_session_${session})
    endif()
  endforeach()
  if(TERVANE_WINE)
    add_test(NAME wine_prefix
             COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --make-prefix ${session_prefixes})
    set_tests_properties(wine_prefix PROPERTIES LABELS wine FIXTURES_SETUP wine_prefix TIMEOUT 300)
  endif()
endif()

# tervane_discover_tests(<target> [FILTER <gtest filter>] [SUFFIX <text>] [ISOLATED]
#                        [PROPERTIES <property value...>])
# Registers the cases of a GoogleTest program with CTest. Natively each case
# is a test of its own. Under Wine one test named after the program (and the
# suffix) runs them all in one process; with ISOLATED, for programs whose
# cases change their process for good, in a process each (tests/wine/each-case).
# Where the host cannot run this architecture's programs they are built but
# not registered.
function(tervane_discover_tests target)
  cmake_parse_arguments(D "ISOLATED" "FILTER;SUFFIX" "PROPERTIES" ${ARGN})
  if(NOT TERVANE_WIN32)
    if(D_FILTER)
      set(D_FILTER TEST_FILTER ${D_FILTER})
    endif()
    gtest_discover_tests(${target} ${D_FILTER} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         NO_PRETTY_VALUES PROPERTIES TIMEOUT ${TERVANE_TEST_TIMEOUT} ${D_PROPERTIES})
    return()
  elseif(NOT TERVANE_WINE)
    return()
  endif()
  if(D_FILTER)
    set(D_FILTER --gtest_filter=${D_FILTER})
  endif()
  set(run ${target})
  if(D_ISOLATED)
    get_target_property(emulator ${target} CROSSCOMPILING_EMULATOR)
    if(NOT emulator)
      set(emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    set(run ${PROJECT_SOURCE_DIR}/tests/wine/each-case ${emulator} $<TARGET_FILE:${target}>)
  endif()
  add_test(NAME ${target}${D_SUFFIX} COMMAND ${run} ${D_FILTER})
  # A filter that matches nothing passes in GoogleTest; here it fails.
  set_tests_properties(${target}${D_SUFFIX} PROPERTIES LABELS wine TIMEOUT ${TERVANE_TEST_TIMEOUT}
    FAIL_REGULAR_EXPRESSION "\\[  PASSED  \\] 0 tests" ${D_PROPERTIES})
  set_property(TEST ${target}${D_SUFFIX} APPEND PROPERTY FIXTURES_REQUIRED wine_prefix)
endfunction()

# tervane_in_session(<session> <test>...)
# The tests run in Wine session 1 to 4, one at a time: each finds its windows
# by their class, so two would see each other's.
function(tervane_in_session session)
  set_tests_properties(${ARGN} PROPERTIES RESOURCE_LOCK wine_session_${session})
  set_property(TEST ${ARGN} APPEND PROPERTY FIXTURES_REQUIRED wine_session_${session})
  set_property(TEST ${ARGN} APPEND PROPERTY LABELS wine)
endfunction()

# tervane_wine_only(<target>...)
# Programs that only the Wine suites run, which the build leaves out where
# this architecture's programs cannot run.
function(tervane_wine_only)
  if(TERVANE_WIN32 AND NOT TERVANE_WINE)
    set_target_properties(${ARGN} PROPERTIES EXCLUDE_FROM_ALL ON)
  endif()
endfunction()

# tervane_add_gtest(NAME <name> SOURCES <files...> [LIBS <targets...>]
#                   [NATIVE_ONLY] [WINDOWS_ONLY] [PROPERTIES <property value...>])
# One GoogleTest program, registered by tervane_discover_tests.
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
