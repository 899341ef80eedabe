// The refresh sequence: count the bridges, find the cable, look up its COM port, show the result.
#pragma once

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

  void FillDeviceList();
  void EnumDevices();
  void GetDeviceData();

 private:
  modMain& state_;
  modCP210x& bridge_;
  OsVersion& os_;
  PortLookup& lookup_;
  StatusLabel& label_;
};

}  // namespace tervane
