// Descriptions of the run-time errors.
#include "platform/runtime_error.h"

#include <utility>

namespace tervane {

RuntimeError::RuntimeError(ErrorCode code, std::string description)
    : code_(code), description_(std::move(description)) {}

RuntimeError RuntimeError::Overflow() { return {ErrorCode::Overflow, "Overflow"}; }

RuntimeError RuntimeError::SubscriptOutOfRange() {
  return {ErrorCode::SubscriptOutOfRange, "Subscript out of range"};
}

RuntimeError RuntimeError::FileNotFound(const std::string& fileName) {
  return {ErrorCode::FileNotFound, "File not found: " + fileName};
}

RuntimeError RuntimeError::EntryPointNotFound(const std::string& function,
                                              const std::string& fileName) {
  return {ErrorCode::EntryPointNotFound,
          "Can't find DLL entry point " + function + " in " + fileName};
}

RuntimeError RuntimeError::SystemCallFailed(const std::string& what, std::uint32_t systemError) {
  return {ErrorCode::InternalError, what + " (Windows error " + std::to_string(systemError) + ")"};
}

}  // namespace tervane
