// Wording of the fatal error message, and its one way to the user.
#include "app/fatal_error.h"

#include <new>
#include <string>

#include "platform/runtime_error.h"

namespace tervane {
namespace {

// The number the Basic run-time gives an out-of-memory error.
constexpr int kOutOfMemory = 7;

constexpr const char* kUnexpectedError = "Unexpected error";

std::string Numbered(int number, const std::string& description) {
  return "Run-time error '" + std::to_string(number) + "':\n\n" + description;
}

std::string FatalErrorMessage(const std::exception* error) {
  if (error == nullptr) return kUnexpectedError;
  if (const auto* runtime = dynamic_cast<const RuntimeError*>(error)) {
    return Numbered(static_cast<int>(runtime->code()), runtime->description());
  }
  if (dynamic_cast<const std::bad_alloc*>(error) != nullptr) {
    return Numbered(kOutOfMemory, "Out of memory");
  }
  const std::string what = error->what();
  return what.empty() ? kUnexpectedError : what;
}

}  // namespace

void ReportFatalError(WindowSystem& windows, const std::exception* error) noexcept {
  try {
    windows.ShowFatalError(FatalErrorMessage(error));
  } catch (...) {
    try {
      windows.ShowFatalError(kUnexpectedError);
    } catch (...) {
    }
  }
}

}  // namespace tervane
