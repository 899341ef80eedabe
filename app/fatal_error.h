// The text of the message that reports an error reaching the top of a window event.
#pragma once

#include <exception>
#include <string>

namespace tervane {

// The exit code of a program ended by such an error.
constexpr int kFatalErrorExitCode = 1;

// "Run-time error 'N':" and a blank line before the description for a
// RuntimeError; the other exceptions the logic can let through (out of
// memory, a library's own) get the description alone.
std::string FatalErrorMessage(const std::exception& error);

}  // namespace tervane
