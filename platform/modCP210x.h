// The six functions of the CP210x bridge library usbdongle.dll, as the scan calls them.
#pragma once

#include <cstdint>

#include "platform/byte_array.h"

namespace tervane {

// Every function returns the library's 32-bit status; 0 is success. What a
// function leaves in its out-parameters after a failure is the library's own
// business: callers must not rely on it. An implementation raises a
// RuntimeError when the library or the function cannot be bound.
class modCP210x {
 public:
  virtual ~modCP210x() = default;

  // Out: the number of attached bridges; indices run from 0 to NumDevices - 1.
  virtual std::int32_t CP210x_GetNumDevices(std::int32_t& NumDevices) = 0;
  // Out: the handle of the opened bridge.
  virtual std::int32_t CP210x_Open(std::int32_t DeviceNum, std::uint32_t& Handle) = 0;
  virtual std::int32_t CP210x_Close(std::uint32_t Handle) = 0;
  // Out: the bridge's USB vendor and product IDs.
  virtual std::int32_t CP210x_GetDeviceVid(std::uint32_t Handle, std::int32_t& Vid) = 0;
  virtual std::int32_t CP210x_GetDevicePid(std::uint32_t Handle, std::int32_t& Pid) = 0;
  // Out: the serial number from byte 0 of SerialString, one byte per
  // character, and its length in bytes. At most SerialString.size() bytes are
  // ever stored; the reported length is the library's and may be larger.
  // Flag is handed to the library by reference; the scan sets it to -1 (true).
  virtual std::int32_t CP210x_GetDeviceSerialNumber(std::uint32_t Handle, ByteArray& SerialString,
                                                    std::int32_t& SerialLength,
                                                    std::int32_t& Flag) = 0;
};

}  // namespace tervane
