// The whole refresh over the in-memory bridge library and registry, with the real registry lookups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/cable_scan.h"
#include "discovery/captions.h"
#include "discovery/modMain.h"
#include "discovery_fakes.h"
#include "portlookup/registry_port_lookup.h"
#include "support/call_log.h"
#include "support/memory_bridge.h"
#include "support/memory_os_version.h"
#include "support/memory_registry.h"

namespace tervane {
namespace {

constexpr std::int32_t kVid = 0x10C4;
constexpr std::int32_t kPid = 0x823E;

class RefreshOverRegistry : public ::testing::Test {
 protected:
  RefreshOverRegistry() {
    state.DeviceHandle = 1;
    bridge.AddBridge(0x10C4, 0xEA60, "OTHER");
    bridge.AddBridge(kVid, kPid, "vyx 0042");
    registry.SetString(
        "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_10C4&PID_823E&MI_00\\VYX_0042_00\\Device "
        "Parameters",
        "PortName", "COM7");
    registry.SetString("Enum\\SLABCR\\guid\\0000", "CRLowerDeviceID",
                       "USB\\VID_10C4&PID_823E&MI_00\\VYX_0042_00");
    registry.SetString("Enum\\SLABCR\\guid\\0000", "PortName", "COM4");
    registry.ClearCalls();
  }

  std::string Refresh() {
    scan.FillDeviceList();
    return label.captions.empty() ? "" : label.captions.back();
  }

  CallLog log;
  MemoryCp210x bridge{&log};
  MemoryOsVersion os{MemoryOsVersion::kWindowsXP, &log};
  MemoryRegistry registry{&log};
  RegistryPortLookup lookup{registry};
  test::RecordingLabel label{&log};
  modMain state;
  CableScan scan{state, bridge, os, lookup, label};
};

// Where the bridge calls end and the registry's begin, in one log.
std::vector<std::string> BridgeThenFirstRegistryCall(const std::vector<std::string>& names) {
  std::vector<std::string> head;
  for (const auto& n : names) {
    head.push_back(n);
    if (n.rfind("Reg", 0) == 0) break;
  }
  return head;
}

TEST_F(RefreshOverRegistry, NtFamilyReadsThePortBeneathTheInterfaceKey) {
  EXPECT_EQ(Refresh(), "COM Port: 7");
  EXPECT_EQ(BridgeThenFirstRegistryCall(log.Names()),
            (std::vector<std::string>{
                "CP210x_GetNumDevices", "CP210x_Open", "CP210x_GetDeviceVid", "CP210x_GetDevicePid",
                "CP210x_Close", "CP210x_Open", "CP210x_GetDeviceVid", "CP210x_GetDevicePid",
                "CP210x_GetDeviceSerialNumber", "CP210x_Close", "GetVersion", "RegOpenKeyExA"}));
  EXPECT_EQ(log.Names().back(), "SetCaption");
  EXPECT_TRUE(registry.OpenHandles().empty());
  EXPECT_EQ(registry.invalidCloses(), 0);
  EXPECT_TRUE(bridge.EachOpenedClosedOnce());
}

TEST_F(RefreshOverRegistry, EachFamilyTakesItsOwnKeys) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {MemoryOsVersion::kWindows98, "COM Port: 4"},
      {MemoryOsVersion::kWindowsMe, "COM Port: 4"},
      {MemoryOsVersion::kWindows2000, "COM Port: 7"},
      {MemoryOsVersion::kWindows7, "COM Port: 7"},
      {MemoryOsVersion::kWindowsNT4, "COM Port: 0"},
      {MemoryOsVersion::kWindows10Manifested, "COM Port: 0"}};
  for (const auto& [version, caption] : cases) {
    os.Set(version);
    registry.ClearCalls();
    EXPECT_EQ(Refresh(), caption) << std::hex << version;
    EXPECT_EQ(registry.calls().empty(), std::string(caption) == "COM Port: 0");
    EXPECT_TRUE(registry.OpenHandles().empty());
  }
}

TEST_F(RefreshOverRegistry, CableWithoutARegistryEntryShowsMinusOne) {
  registry.DeleteKey("SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_10C4&PID_823E&MI_00");
  EXPECT_EQ(Refresh(), "COM Port: -1");
  os.Set(MemoryOsVersion::kWindows98);
  registry.DeleteKey("Enum\\SLABCR");
  EXPECT_EQ(Refresh(), "COM Port: -1");
}

TEST_F(RefreshOverRegistry, NoCableMakesNoRegistryCall) {
  bridge.Fail(MemoryCp210x::Function::GetDeviceSerialNumber, 1, 2);
  EXPECT_EQ(Refresh(), kNotFoundCaption);
  EXPECT_TRUE(registry.calls().empty());
}

}  // namespace
}  // namespace tervane
