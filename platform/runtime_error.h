// The run-time error that abandons work up to the window event that started it.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace tervane {

// The numbers are those the Basic run-time gives the same errors, so a
// message can be matched against the classic ones.
enum class ErrorCode {
  Overflow = 6,
  SubscriptOutOfRange = 9,
  // A call into Windows itself failed where the program cannot go on.
  InternalError = 51,
  FileNotFound = 53,
  EntryPointNotFound = 453,
};

class RuntimeError : public std::exception {
 public:
  RuntimeError(ErrorCode code, std::string description);

  ErrorCode code() const noexcept { return code_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

  static RuntimeError Overflow();
  static RuntimeError SubscriptOutOfRange();
  static RuntimeError FileNotFound(const std::string& fileName);
  static RuntimeError EntryPointNotFound(const std::string& function, const std::string& fileName);
  // What failed, in words ("Can't set the text of the status label"), and
  // the error code Windows gave.
  static RuntimeError SystemCallFailed(const std::string& what, std::uint32_t systemError);

 private:
  ErrorCode code_;
  std::string description_;
};

}  // namespace tervane
