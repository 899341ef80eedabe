// Wording of the fatal error message.
#include "app/fatal_error.h"

#include <new>

#include "platform/runtime_error.h"

namespace tervane {
namespace {

// The number the Basic run-time gives an out-of-memory error.
constexpr int kOutOfMemory = 7;

std::string Numbered(int number, const std::string& description) {
  return "Run-time error '" + std::to_string(number) + "':\n\n" + description;
}

}  // namespace

std::string FatalErrorMessage(const std::exception& error) {
  if (const auto* runtime = dynamic_cast<const RuntimeError*>(&error)) {
    return Numbered(static_cast<int>(runtime->code()), runtime->description());
  }
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    return Numbered(kOutOfMemory, "Out of memory");
  }
  const std::string what = error.what();
  return what.empty() ? "Unexpected error" : what;
}

}  // namespace tervane
