# How a shipped Windows program is linked: static, small, reproducible, and on i686 with crtdll.dll as its C run-time.
include_guard(GLOBAL)

# On i686 the C run-time is crtdll.dll, which Windows 95 and NT 3.1 ship;
# msvcrt.dll is on neither the Windows 95 nor the OSR2 CD. GCC's driver ends
# every link with its libgcc rule, which names -lmsvcrt; a rules file made
# from the compiler's own rule names -lcrtdll there instead (mingw-w64's
# libcrtdll.a maps the start-up code's names onto crtdll's). Both import
# libraries then come from the toolchain's folder, so the order of the import
# directory, which the linker sorts by file name, is the same whatever folder
# the build is in. 64-bit Windows has no 64-bit crtdll.dll: x86_64 keeps msvcrt.dll.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  execute_process(COMMAND ${CMAKE_C_COMPILER} -dumpspecs OUTPUT_VARIABLE driver_rules)
  if(NOT driver_rules MATCHES "\n\\*libgcc:\n([^\n]*-lmsvcrt[^\n]*)\n")
    message(FATAL_ERROR "${CMAKE_C_COMPILER}'s libgcc rule does not name -lmsvcrt")
  endif()
  string(REPLACE "-lmsvcrt" "-lcrtdll" libgcc_rule "${CMAKE_MATCH_1}")
  set(TERVANE_CRTDLL_RULES ${CMAKE_BINARY_DIR}/crtdll-link.rules)
  file(WRITE ${TERVANE_CRTDLL_RULES}
       "# GCC's libgcc rule with crtdll.dll in place of msvcrt.dll.\n*libgcc:\n${libgcc_rule}\n\n")
endif()

# tervane_windows_program(<target>)
# Links the GUI program <target> as every Windows the program names can load it:
# - static C++ and GCC run-time, stripped, unused sections dropped;
# - on i686, subsystem and OS version 4.0, which Windows 95 requires of a
#   program, and crtdll.dll as the C run-time;
# - DEP and ASLR asked for (docs/design.md says why DEP stays with the
#   vendor's library in the process);
# - no time stamp in the header, so that one source gives one file;
# - the plain terminate handler;
# - a link map next to the program, <target>.map, for the checks of what it holds.
function(tervane_windows_program target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/app/win32/terminate_handler.cpp)
  target_link_options(${target} PRIVATE -static -s -Wl,--gc-sections -Wl,--nxcompat,--dynamicbase
                      -Wl,--no-insert-timestamp -Wl,-Map=$<TARGET_FILE:${target}>.map)
  if(TERVANE_CRTDLL_RULES)
    target_link_options(${target} PRIVATE -specs=${TERVANE_CRTDLL_RULES}
      -Wl,--major-subsystem-version,4,--minor-subsystem-version,0,--major-os-version,4,--minor-os-version,0)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TERVANE_CRTDLL_RULES})
  endif()
endfunction()
