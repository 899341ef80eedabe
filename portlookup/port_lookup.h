// The two COM port lookups, NT family and Windows 95 family, as the scan calls them.
#pragma once

#include <cstdint>

#include "platform/byte_array.h"

namespace tervane {

// Both return the port number, -1 when the registry holds none, and may
// rewrite the first SerialLength bytes of SerialString in place (see
// docs/design.md). Errors are RuntimeErrors and are not caught.
class PortLookup {
 public:
  virtual ~PortLookup() = default;
  virtual std::int16_t GetPortNumXP2000Vista(std::int32_t Vid, std::int32_t Pid,
                                             ByteArray& SerialString,
                                             std::int32_t SerialLength) = 0;
  virtual std::int16_t GetPortNum98(std::int32_t Vid, std::int32_t Pid, ByteArray& SerialString,
                                    std::int32_t SerialLength) = 0;
};

}  // namespace tervane
