// In-memory stand-in for GetVersion: reports a chosen version value.
#pragma once

#include <cstdint>

#include "platform/os_version.h"
#include "support/call_log.h"

namespace tervane {

class MemoryOsVersion final : public OsVersion {
 public:
  // Values GetVersion gives on real systems: build in the high word (with the
  // top bit set on the 95 family), minor version, major version in the low byte.
  static constexpr std::uint32_t kWindows95 = 0xC3B60004u;
  static constexpr std::uint32_t kWindows98 = 0xC0000A04u;
  static constexpr std::uint32_t kWindowsMe = 0xC0005A04u;
  static constexpr std::uint32_t kWindowsNT4 = 0x05650004u;
  static constexpr std::uint32_t kWindows2000 = 0x08930005u;
  static constexpr std::uint32_t kWindowsXP = 0x0A280105u;
  static constexpr std::uint32_t kWindows7 = 0x1DB10106u;
  static constexpr std::uint32_t kWindows8 = 0x23F00206u;  // also 8.1, 10, 11 without a manifest
  static constexpr std::uint32_t kWindows10Manifested = 0x4A61000Au;

  explicit MemoryOsVersion(std::uint32_t value, CallLog* log = nullptr)
      : value_(value), log_(log) {}

  void Set(std::uint32_t value) { value_ = value; }
  int calls() const { return calls_; }

  std::uint32_t GetVersion() override {
    ++calls_;
    if (log_ != nullptr) log_->Add("GetVersion");
    return value_;
  }

 private:
  std::uint32_t value_;
  CallLog* log_;
  int calls_ = 0;
};

}  // namespace tervane
