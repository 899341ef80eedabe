// The one report of an error that ends the program: its wording and how it reaches the user.
#pragma once

#include <exception>

#include "app/window_system.h"

namespace tervane {

// The exit code of a program ended by such an error.
constexpr int kFatalErrorExitCode = 1;

// Shows the message for the error through the window system: "Run-time
// error 'N':" and a blank line before the description for a RuntimeError;
// the other exceptions the logic can let through (out of memory, a library's
// own) get the description alone. Null stands for an exception that is no
// std::exception. Never throws: when the message cannot be made or shown, a
// plain one is tried, and the program ends all the same.
void ReportFatalError(WindowSystem& windows, const std::exception* error) noexcept;

}  // namespace tervane
