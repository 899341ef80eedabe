# Cross toolchain common to both Windows architectures: mingw-w64, fully static C and C++ run-time.
# Included by mingw-i686.cmake and mingw-x86_64.cmake, which name the processor.
#
# TERVANE_THREAD_MODEL picks one of mingw-w64's two GCC builds, headers and
# libraries together: "win32" (the default) for the programs users get, whose
# run-time then needs no winpthreads and none of its XP and Vista imports;
# "posix" for the test builds, because GoogleTest needs std::mutex, which the
# win32 model of GCC 12 lacks.
set(CMAKE_SYSTEM_NAME Windows)

set(TERVANE_THREAD_MODEL win32 CACHE STRING "mingw-w64 thread model: win32 or posix")
set_property(CACHE TERVANE_THREAD_MODEL PROPERTY STRINGS win32 posix)
if(NOT TERVANE_THREAD_MODEL MATCHES "^(win32|posix)$")
  message(FATAL_ERROR "TERVANE_THREAD_MODEL must be win32 or posix, not '${TERVANE_THREAD_MODEL}'")
endif()
# try_compile projects read this file again and need the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TERVANE_THREAD_MODEL)

set(triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-${TERVANE_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${triple}-g++-${TERVANE_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# -static keeps libgcc, libstdc++ and, in the posix model, winpthreads out of the imports.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
