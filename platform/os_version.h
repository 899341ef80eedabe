// The operating-system version query GetVersion of kernel32.
#pragma once

#include <cstdint>

namespace tervane {

class OsVersion {
 public:
  virtual ~OsVersion() = default;
  // Low byte: the major version. Top bit: set on the Windows 95 family
  // (95, 98, Me), clear on the NT family.
  virtual std::uint32_t GetVersion() = 0;
};

}  // namespace tervane
