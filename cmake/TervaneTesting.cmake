# Test registration: native suites run directly, Windows suites run under Wine in a private prefix.
include_guard(GLOBAL)

if(NOT TERVANE_TESTS)
  return()
endif()

enable_testing()

if(TERVANE_WIN32)
  # GoogleTest built from the system's sources with the cross compiler.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_library(tervane_gtest_main INTERFACE)
  target_link_libraries(tervane_gtest_main INTERFACE gtest_main)

  set(TERVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(TERVANE_WINE_EXEC ${PROJECT_SOURCE_DIR}/scripts/wine-exec)
  add_test(NAME wine_prefix_setup
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix ${TERVANE_WINE_PREFIX})
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wineprefix LABELS wine)
else()
  find_package(GTest REQUIRED)
  add_library(tervane_gtest_main INTERFACE)
  target_link_libraries(tervane_gtest_main INTERFACE GTest::gtest_main)
endif()

# tervane_add_gtest(NAME <name> SOURCES <files...> [LIBS <targets...>]
#                   [NATIVE_ONLY] [WINDOWS_ONLY] [ENVIRONMENT <VAR=value...>])
# Registers one CTest test per executable. Under the windows preset the test
# runs through scripts/wine-exec in the build's Wine prefix.
function(tervane_add_gtest)
  cmake_parse_arguments(T "NATIVE_ONLY;WINDOWS_ONLY" "NAME" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if((TERVANE_WIN32 AND T_NATIVE_ONLY) OR (NOT TERVANE_WIN32 AND T_WINDOWS_ONLY))
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} tervane_gtest_main)
  if(TERVANE_WIN32)
    add_test(NAME ${T_NAME} COMMAND ${TERVANE_WINE_EXEC} $<TARGET_FILE:${T_NAME}>)
    set_tests_properties(${T_NAME} PROPERTIES
      FIXTURES_REQUIRED wineprefix
      LABELS wine
      ENVIRONMENT "WINEPREFIX=${TERVANE_WINE_PREFIX};${T_ENVIRONMENT}")
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(T_ENVIRONMENT)
      set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
    endif()
  endif()
endfunction()
