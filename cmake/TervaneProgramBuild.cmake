# The programs users get, for a test build: built from the same sources with the win32 thread model in a build of their own.
include_guard(GLOBAL)
include(ExternalProject)

# A build uses one compiler, and the test build's is the posix thread model's,
# which GoogleTest needs. The programs (tervane.exe and the yardsticks the
# tests measure it by) are compiled and linked with the win32 model's headers
# and libraries in build/<preset>/program, and the tests take them from there
# as imported targets. The reproducibility check configures its second build
# with the same arguments; the toolchain file is named relative to the sources,
# which CMake resolves against the source tree.
file(RELATIVE_PATH toolchain ${PROJECT_SOURCE_DIR} ${CMAKE_TOOLCHAIN_FILE})
set(TERVANE_PROGRAM_BUILD_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${toolchain}
    -DTERVANE_THREAD_MODEL=win32
    -DCMAKE_BUILD_TYPE=MinSizeRel
    -DTERVANE_TESTS=OFF)
set(TERVANE_PROGRAM_BUILD_DIR ${CMAKE_BINARY_DIR}/program)

set(programs
    tervane=app/tervane.exe
    tervane_floor=tests/e2e/yardsticks/tervane_floor.exe
    newer_import=tests/e2e/yardsticks/newer_import.exe)
set(byproducts)
foreach(entry ${programs})
  string(REPLACE "=" ";" entry ${entry})
  list(GET entry 0 name)
  list(GET entry 1 path)
  add_executable(${name} IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${TERVANE_PROGRAM_BUILD_DIR}/${path})
  add_dependencies(${name} tervane_programs)
  list(APPEND byproducts ${TERVANE_PROGRAM_BUILD_DIR}/${path})
endforeach()

ExternalProject_Add(tervane_programs
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${TERVANE_PROGRAM_BUILD_DIR}
  CMAKE_ARGS ${TERVANE_PROGRAM_BUILD_ARGS} -DTERVANE_YARDSTICKS=ON
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${byproducts}
  INSTALL_COMMAND "")

# The file users copy: `cmake --install build/windows` puts it in the preset's
# install folder, dist/. The 64-bit build is a way to run the tests where
# 32-bit programs cannot run, not a second product, and installs nothing.
if(TERVANE_SHIPPED_ARCH)
  install(PROGRAMS $<TARGET_FILE:tervane> DESTINATION .)
endif()
