// The four registry functions of advapi32 that the port lookups read through.
#pragma once

#include <cstdint>

#include "platform/byte_array.h"

namespace tervane {

// A key handle as the registry hands it out; the predefined roots are fixed values.
using RegKey = std::uint32_t;

constexpr RegKey kHkeyLocalMachine = 0x80000002u;
constexpr std::uint32_t kKeyRead = 0x20019u;

// Result codes the lookups look at.
constexpr std::int32_t kErrorSuccess = 0;
constexpr std::int32_t kErrorMoreData = 234;

// Paths and names are zero-terminated 8-bit text in the ANSI code page, read
// up to their first zero byte. A path may span several levels separated by
// backslashes and may end in one backslash. Key names match whatever their
// letter case. Closing kHkeyLocalMachine is accepted and changes nothing.
class Registry {
 public:
  virtual ~Registry() = default;

  // Out: the new key, set only when the result is 0.
  virtual std::int32_t RegOpenKeyExA(RegKey Key, const char* SubKey, std::uint32_t Options,
                                     std::uint32_t Desired, RegKey& Result) = 0;
  // The platform's default access applies.
  virtual std::int32_t RegOpenKeyA(RegKey Key, const char* SubKey, RegKey& Result) = 0;
  // Data is filled from byte 0 with at most ByteCount bytes; ByteCount must
  // not exceed Data.size() (a larger one is refused with 87, untouched).
  // Result 0: ByteCount holds the number of bytes stored, a string's
  // terminating zero included. 234: the value did not fit and ByteCount holds
  // the size it needs. Type receives the value's registry type.
  virtual std::int32_t RegQueryValueExA(RegKey Key, const char* ValueName, std::uint32_t Reserved,
                                        std::uint32_t& Type, ByteArray& Data,
                                        std::int32_t& ByteCount) = 0;
  virtual std::int32_t RegCloseKey(RegKey Key) = 0;
};

}  // namespace tervane
