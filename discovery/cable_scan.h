// The refresh sequence: count the bridges, find the cable, look up its COM port, show the result.
#pragma once

#include <cstdint>
#include <string>

#include "discovery/modMain.h"
#include "discovery/status_label.h"
#include "platform/modCP210x.h"
#include "platform/os_version.h"
#include "portlookup/port_lookup.h"

namespace tervane {

// Errors (RuntimeError) are never caught here: they end the sequence and
// reach the window event that started it.
class CableScan {
 public:
  CableScan(modMain& state, modCP210x& bridge, OsVersion& os, PortLookup& lookup,
            StatusLabel& label);

  // The scan probes at most this many indices, whatever count the library
  // reports; DeviceCount keeps the count as reported.
  static constexpr std::int32_t kMaxBridgesProbed = 1024;

  void FillDeviceList();
  void EnumDevices();
  void GetDeviceData();

 private:
  // The values of one run of GetDeviceData, with their start values.
  struct ScanValues {
    double CableVid = 0;
    double CablePid = 0;
    std::int32_t Vid = 0;
    std::int32_t Pid = 0;
    ByteArray SerialString{64};
    std::int32_t SerialLength = 0;
    bool CableFound = false;
    std::int16_t PortNum = 0;
    std::string PortText;
  };

  // Opens the bridge at the index, reads its IDs and, for the cable, its
  // serial number, and closes it; true when the serial number was read.
  bool Probe(std::int32_t index, ScanValues& scan);
  bool ReadSerialIfCable(ScanValues& scan);
  void CloseDevice();
  // The lookup that suits the running Windows, after the probe's close.
  void PortStep(ScanValues& scan);

  modMain& state_;
  modCP210x& bridge_;
  OsVersion& os_;
  PortLookup& lookup_;
  StatusLabel& label_;
};

}  // namespace tervane
