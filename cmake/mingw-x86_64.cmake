# Cross toolchain for 64-bit Windows: the same sources, run under 64-bit Wine where a host cannot run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
