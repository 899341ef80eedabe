// Fuzzes the whole refresh over a simulated bridge set: counts, statuses, IDs, serials and lengths.
#include "discovery/cable_scan.h"
#include "discovery/captions.h"
#include "fuzz_input.h"
#include "portlookup/registry_port_lookup.h"
#include "support/memory_bridge.h"
#include "support/memory_os_version.h"
#include "support/memory_registry.h"
#include "support/recording_label.h"

namespace tervane {
namespace {

const std::uint32_t kVersions[] = {MemoryOsVersion::kWindows98, MemoryOsVersion::kWindowsXP,
                                   MemoryOsVersion::kWindows7, MemoryOsVersion::kWindowsNT4,
                                   MemoryOsVersion::kWindows10Manifested};
const MemoryCp210x::Function kFunctions[] = {MemoryCp210x::Function::Open,
                                             MemoryCp210x::Function::Close,
                                             MemoryCp210x::Function::GetDeviceVid,
                                             MemoryCp210x::Function::GetDevicePid,
                                             MemoryCp210x::Function::GetDeviceSerialNumber,
                                             MemoryCp210x::Function::GetNumDevices};

void Seed(FuzzInput& input, MemoryCp210x& bridges) {
  const int count = input.Byte() % 6;
  for (int i = 0; i < count; ++i) {
    MemoryCp210x::Bridge bridge;
    bridge.vid = input.Byte() < 180 ? 0x10C4 : input.Int32();
    bridge.pid = input.Byte() < 180 ? 0x823E : input.Int32();
    bridge.serial = input.Bytes(70);
    if (input.Byte() > 200) bridge.reportedLength = input.Count(90);
    bridges.AddBridge(bridge);
  }
  for (int n = input.Byte() % 4; n > 0; --n) {
    const auto function = input.OneOf(kFunctions);
    const bool garbage = input.Byte() & 1;
    bridges.Fail(function, input.Byte() % 8, input.Int32(), garbage);
  }
  // Any count: the scan probes no more than its cap, so even 2^31 - 1 ends quickly.
  if (input.Byte() > 200)
    bridges.SetCount(input.Byte() > 128 ? input.Int32() : input.Byte() % 16 - 3);
}

bool IsResultText(const std::string& text) {
  if (text == kNotFoundCaption) return true;
  const std::string prefix = kPortCaptionPrefix;
  return text.compare(0, prefix.size(), prefix) == 0 && text.size() > prefix.size();
}

}  // namespace
}  // namespace tervane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tervane;
  FuzzInput input(data, size);
  MemoryCp210x bridges;
  Seed(input, bridges);
  MemoryRegistry registry;
  registry.SetString("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_10c4&Pid_823e\\" + input.Text(8) +
                         "\\Device Parameters",
                     "PortName", "COM" + input.Text(6));
  MemoryOsVersion version(input.OneOf(kVersions));
  RegistryPortLookup lookup(registry);
  test::RecordingLabel label;
  modMain state;
  state.DeviceHandle = 1;
  CableScan scan(state, bridges, version, lookup, label);
  try {
    scan.FillDeviceList();
    Check(label.captions.size() == 1 && IsResultText(label.captions.back()));
  } catch (const RuntimeError& e) {
    Check(e.code() == ErrorCode::Overflow || e.code() == ErrorCode::SubscriptOutOfRange);
    Check(label.captions.empty());
  }
  Check(registry.OpenHandles().empty());
  return 0;
}
