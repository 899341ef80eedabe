// The refresh: count the bridges, probe each by index, look the cable's port up, set the caption.
#include "discovery/cable_scan.h"

#include <algorithm>
#include <cmath>

#include "discovery/captions.h"
#include "discovery/windows_family.h"
#include "platform/checked_int.h"
#include "platform/number_text.h"

namespace tervane {
namespace {

// A library that reports a count near 2^31 would have the scan probe for
// hours. USB gives each host controller at most 127 device addresses, so no
// machine has this many bridges; indices beyond it are never probed.
constexpr std::int32_t kMaxProbedIndex = CableScan::kMaxBridgesProbed - 1;

}  // namespace

CableScan::CableScan(modMain& state, modCP210x& bridge, OsVersion& os, PortLookup& lookup,
                     StatusLabel& label)
    : state_(state), bridge_(bridge), os_(os), lookup_(lookup), label_(label) {}

void CableScan::FillDeviceList() {
  EnumDevices();
  GetDeviceData();
}

// The status is kept but not tested: the scan uses whatever the call left in
// DeviceCount.
void CableScan::EnumDevices() {
  state_.LastStatus = LowWord16(bridge_.CP210x_GetNumDevices(state_.DeviceCount));
}

void CableScan::GetDeviceData() {
  ScanValues scan;
  // Read from text into doubles and compared as numbers, as the IDs always
  // were (docs/design.md).
  scan.CableVid = std::trunc(ReadNumber("&H10C4"));
  scan.CablePid = std::trunc(ReadNumber("&H823E"));
  // Raises the overflow error for the most negative count, before any open.
  const std::int32_t last = std::min(CheckedSub32(state_.DeviceCount, 1), kMaxProbedIndex);
  for (std::int32_t i = 0; i <= last; ++i) {
    if (Probe(i, scan)) PortStep(scan);
  }
  label_.SetCaption(scan.CableFound ? kPortCaptionPrefix + scan.PortText : kNotFoundCaption);
}

bool CableScan::Probe(std::int32_t index, ScanValues& scan) {
  state_.LastStatus = LowWord16(bridge_.CP210x_Open(index, state_.DeviceHandle));
  if (state_.LastStatus != 0) return false;
  state_.DeviceHandleOpen = true;
  bool serialRead = false;
  state_.LastStatus = LowWord16(bridge_.CP210x_GetDeviceVid(state_.DeviceHandle, scan.Vid));
  if (state_.LastStatus == 0) serialRead = ReadSerialIfCable(scan);
  CloseDevice();
  return serialRead;
}

// The product ID, the match and the serial number. A failed product ID read
// never matches, whatever Pid still holds from an earlier bridge.
bool CableScan::ReadSerialIfCable(ScanValues& scan) {
  state_.LastStatus = LowWord16(bridge_.CP210x_GetDevicePid(state_.DeviceHandle, scan.Pid));
  const bool isCable = state_.LastStatus == 0 && static_cast<double>(scan.Vid) == scan.CableVid &&
                       static_cast<double>(scan.Pid) == scan.CablePid;
  if (!isCable) return false;
  std::int32_t flag = -1;
  state_.LastStatus = LowWord16(bridge_.CP210x_GetDeviceSerialNumber(
      state_.DeviceHandle, scan.SerialString, scan.SerialLength, flag));
  if (state_.LastStatus != 0) return false;
  scan.CableFound = true;
  return true;
}

// The close's status is ignored and LastStatus keeps its value. If the close
// itself raises, the device counts as still open.
void CableScan::CloseDevice() {
  bridge_.CP210x_Close(state_.DeviceHandle);
  state_.DeviceHandleOpen = false;
}

// Without a lookup for the running Windows, PortNum keeps its value.
void CableScan::PortStep(ScanValues& scan) {
  switch (LookupFamilyOf(os_.GetVersion())) {
    case LookupFamily::NtFamily:
      scan.PortNum =
          lookup_.GetPortNumXP2000Vista(scan.Vid, scan.Pid, scan.SerialString, scan.SerialLength);
      break;
    case LookupFamily::Windows95Family:
      scan.PortNum = lookup_.GetPortNum98(scan.Vid, scan.Pid, scan.SerialString, scan.SerialLength);
      break;
    case LookupFamily::None:
      break;
  }
  scan.PortText = std::to_string(scan.PortNum);
}

}  // namespace tervane
