// Wording of the fatal error message, and its one way to the user.
#include "app/fatal_error.h"

#include <new>

#include "platform/runtime_error.h"

namespace tervane {
namespace {

constexpr const char* kUnexpectedError = "Unexpected error";

}  // namespace

FatalErrorMessage::FatalErrorMessage(const std::exception* error) noexcept {
  const auto* runtime = dynamic_cast<const RuntimeError*>(error);
  if (runtime != nullptr) {
    char number[12] = {};
    char* first = number + sizeof number - 1;
    auto n = static_cast<unsigned>(runtime->code());
    do {
      *--first = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n > 0 && first > number);
    Append("Run-time error '");
    Append(first);
    Append("':\n\n");
    Append(runtime->description().c_str());
  } else if (dynamic_cast<const std::bad_alloc*>(error) != nullptr) {
    Append(kOutOfMemoryMessage);
  } else if (error != nullptr) {
    Append(error->what());
  }
  if (length_ == 0) Append(kUnexpectedError);
}

void FatalErrorMessage::Append(const char* text) noexcept {
  while (*text != '\0' && length_ + 1 < kCapacity) text_[length_++] = *text++;
  text_[length_] = '\0';
}

void ReportFatalError(WindowSystem& windows, const std::exception* error) noexcept {
  const FatalErrorMessage message(error);
  windows.ShowFatalError(message.text());
}

}  // namespace tervane
