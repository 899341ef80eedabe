# How a shipped Windows program is linked: static, small, crtdll.dll as its C run-time, reproducible.
include_guard(GLOBAL)

# The C++ run-time of the posix thread model brings winpthreads, which
# imports kernel32 functions of XP and Vista (GetTickCount64,
# AddVectoredExceptionHandler); the program uses no threads, so it links the
# win32 thread model's libstdc++ and libgcc, found first on this path.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name
                OUTPUT_VARIABLE posix_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(posix_runtime_dir ${posix_libgcc} DIRECTORY)
string(REGEX REPLACE "-posix$" "-win32" TERVANE_WIN32_RUNTIME_DIR ${posix_runtime_dir})
if(NOT EXISTS ${TERVANE_WIN32_RUNTIME_DIR}/libstdc++.a)
  message(FATAL_ERROR "tervane.exe needs the win32 thread model's run-time in "
                      "${TERVANE_WIN32_RUNTIME_DIR}")
endif()

# GCC's driver always ends the link with -lmsvcrt. A folder searched before
# the toolchain's own holds crtdll.dll's import library under that name, so
# the same place in the library list takes crtdll.dll; mingw-w64's
# libcrtdll.a maps the names the start-up code uses onto crtdll's.
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=libcrtdll.a
                OUTPUT_VARIABLE crtdll_import OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT EXISTS ${crtdll_import})
  message(FATAL_ERROR "tervane.exe needs mingw-w64's libcrtdll.a")
endif()
set(TERVANE_CRTDLL_DIR ${CMAKE_BINARY_DIR}/crtdll-as-msvcrt)
configure_file(${crtdll_import} ${TERVANE_CRTDLL_DIR}/libmsvcrt.a COPYONLY)

# tervane_windows_program(<target>)
# Links the GUI program <target> as every Windows the program names can load it:
# - static C++ and GCC run-time, stripped, unused sections dropped;
# - subsystem and OS version 4.0, which Windows 95 requires of a program;
# - crtdll.dll as the C run-time, which Windows 95 and NT 3.1 ship, where
#   msvcrt.dll came only with 95 OSR 2.5 and NT 4.0;
# - no time stamp in the header, so that one source gives one file;
# - the plain terminate handler;
# - a link map next to the program, <target>.map, for the checks of what it holds.
function(tervane_windows_program target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/app/win32/terminate_handler.cpp)
  target_link_options(${target} PRIVATE
    -L${TERVANE_CRTDLL_DIR}
    -L${TERVANE_WIN32_RUNTIME_DIR}
    -static -Os -s -Wl,--gc-sections
    -Wl,--major-subsystem-version,4,--minor-subsystem-version,0
    -Wl,--major-os-version,4,--minor-os-version,0
    -Wl,--no-insert-timestamp
    -Wl,-Map=$<TARGET_FILE:${target}>.map)
endfunction()
