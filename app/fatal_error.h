// The one report of an error that ends the program: its wording and how it reaches the user.
#pragma once

#include <cstddef>
#include <exception>

#include "app/window_system.h"

namespace tervane {

// The exit code of a program ended by such an error.
constexpr int kFatalErrorExitCode = 1;

// What the program shows when the C or C++ run-time cannot go on: memory
// ran out (the Basic run-time's error 7), or the run-time gave up for want
// of a resource of Windows (error 51). Written out here, so that showing
// them needs no memory.
constexpr char kOutOfMemoryMessage[] = "Run-time error '7':\n\nOut of memory";
constexpr char kInternalErrorMessage[] = "Run-time error '51':\n\nInternal error";

// The message for the error, formed in a buffer of its own, so that forming
// it needs no memory: "Run-time error 'N':" and a blank line before the
// description for a RuntimeError, the out-of-memory message for
// std::bad_alloc, the description alone for the other exceptions the logic
// can let through (a library's own), and "Unexpected error" for an exception
// that is no std::exception (null) or has no text. A description too long
// for the buffer is cut short.
class FatalErrorMessage {
 public:
  explicit FatalErrorMessage(const std::exception* error) noexcept;
  const char* text() const { return text_; }

 private:
  static constexpr std::size_t kCapacity = 512;
  void Append(const char* text) noexcept;

  char text_[kCapacity] = {};
  std::size_t length_ = 0;
};

// Shows the error's message through the window system; never throws.
void ReportFatalError(WindowSystem& windows, const std::exception* error) noexcept;

}  // namespace tervane
