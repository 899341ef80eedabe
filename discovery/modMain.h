// Program state that the cable scan and the main window share for the whole run.
#pragma once

#include <cstdint>

namespace tervane {

struct modMain {
  // Number of attached bridges, as the library last reported it.
  std::int32_t DeviceCount = 0;
  // Handle of the bridge device opened last; the window sets it to 1 before
  // the first scan.
  std::uint32_t DeviceHandle = 0;
  // Low 16 bits of the status of the last bridge call other than a close.
  std::int16_t LastStatus = 0;
  // True while DeviceHandle refers to a device that was opened and not yet
  // closed, so that the window's unload step never closes 1 or a handle twice.
  bool DeviceHandleOpen = false;
};

}  // namespace tervane
