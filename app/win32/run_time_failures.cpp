// When the C and C++ run-times cannot go on: memory that runs out, and abort, shown as fatal
// errors.
//
// The link wraps malloc, calloc, realloc and abort (app/CMakeLists.txt,
// -Wl,--wrap): every call of them in the program, the C run-time's start-up
// and the static C++ run-time included, comes here first. Memory that runs
// out ends the program as the Basic run-time did, with "Out of memory", and
// needs no memory to say so. Nothing that allocates ever sees a null pointer,
// so no part of the run-times is left to crash on one (mingw-w64 10's
// start-up copies the command line without checking), or to abort. abort is
// what libgcc and mingw-w64's start-up call when a resource of Windows fails
// them (a thread-local block, a page made writable), and what a terminate
// reaches: it ends with the internal error.
#include <windows.h>

#include <cstddef>

#include "app/fatal_error.h"
#include "app/win32/fatal_message.h"

// The names are the linker's: --wrap=F sends calls of F to __wrap_F, and
// __real_F to F itself.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
}

namespace {

[[noreturn]] void End(const char* message) {
  // A failure while the message is up ends at once: the box runs the
  // window's messages, which may allocate.
  static bool ending = false;
  if (!ending) {
    ending = true;
    tervane::ShowFatalMessage(nullptr, message);
  }
  ExitProcess(tervane::kFatalErrorExitCode);
}

// A request for no bytes may give null without any shortage.
void* Allocated(void* block, bool anyBytes) {
  if (block == nullptr && anyBytes) End(tervane::kOutOfMemoryMessage);
  return block;
}

}  // namespace

extern "C" {

void* __wrap_malloc(std::size_t size) { return Allocated(__real_malloc(size), size != 0); }

void* __wrap_calloc(std::size_t count, std::size_t size) {
  return Allocated(__real_calloc(count, size), count != 0 && size != 0);
}

void* __wrap_realloc(void* block, std::size_t size) {
  return Allocated(__real_realloc(block, size), size != 0);
}

[[noreturn]] void __wrap_abort() { End(tervane::kInternalErrorMessage); }

}  // extern "C"
// NOLINTEND(bugprone-reserved-identifier)
