// One whole refresh (FillDeviceList) over the in-memory bridges and registry, the cable last.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "discovery/cable_scan.h"
#include "discovery/captions.h"
#include "discovery/modMain.h"
#include "portlookup/registry_port_lookup.h"
#include "support/cable_seed.h"
#include "support/call_log.h"
#include "support/memory_bridge.h"
#include "support/memory_os_version.h"
#include "support/memory_registry.h"
#include "support/recording_label.h"

namespace tervane {
namespace {

// The suites' main cable (tests/e2e/cable.reg), with its keys where both
// families keep its port, behind bridges - 1 other bridges.
const test::seed::Cable& kSeededCable = test::seed::kMainCable;

struct RefreshRig {
  RefreshRig(int bridges, std::uint32_t version, CallLog* log)
      : bridge(log), os(version, log), registry(log) {
    for (int i = 0; i + 1 < bridges; ++i) {
      char serial[16];
      std::snprintf(serial, sizeof serial, "OTHER%03d", i);
      bridge.AddBridge(0x10C4, 0xEA60, serial);
    }
    bridge.AddBridge(0x10C4, 0x823E, kSeededCable.serial);
    registry.SetString(kSeededCable.ntKey, "PortName", kSeededCable.ntPortName);
    registry.SetString(kSeededCable.win95Key, "CRLowerDeviceID", kSeededCable.win95DeviceId);
    registry.SetString(kSeededCable.win95Key, "PortName", kSeededCable.win95PortName);
    state.DeviceHandle = 1;
  }

  MemoryCp210x bridge;
  MemoryOsVersion os;
  MemoryRegistry registry;
  RegistryPortLookup lookup{registry};
  test::RecordingLabel label;
  modMain state;
  CableScan scan{state, bridge, os, lookup, label};
};

int CountStartingWith(const CallLog& log, const std::string& prefix) {
  int count = 0;
  for (const auto& name : log.Names()) count += name.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

// The stand-ins find their handles in constant time, so one rig serves every
// iteration; forgetting its call records keeps its memory flat.
void BM_Refresh(benchmark::State& state, std::uint32_t version, int port) {
  const int bridges = static_cast<int>(state.range(0));
  const std::string expected = kPortCaptionPrefix + std::to_string(port);
  // One refresh with the shared call log attached, untimed: checks the
  // result and counts the calls. The timed ones run without it.
  CallLog log;
  RefreshRig checked(bridges, version, &log);
  checked.scan.FillDeviceList();
  if (checked.label.Shown() != expected) {
    state.SkipWithError(("caption: " + checked.label.Shown()).c_str());
    return;
  }
  RefreshRig rig(bridges, version, nullptr);
  for (auto _ : state) {
    rig.scan.FillDeviceList();
    benchmark::DoNotOptimize(rig.label.captions.back().data());
    rig.label.captions.clear();
    rig.bridge.ClearCalls();
    rig.registry.ClearCalls();
  }
  state.counters["bridge_calls"] = CountStartingWith(log, "CP210x_");
  state.counters["registry_calls"] = CountStartingWith(log, "Reg");
  state.counters["seconds_per_bridge"] = benchmark::Counter(
      static_cast<double>(bridges),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(BM_Refresh, xp, MemoryOsVersion::kWindowsXP, kSeededCable.ntPort)
    ->Arg(1)
    ->Arg(16)
    ->Arg(256)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Refresh, win98, MemoryOsVersion::kWindows98, kSeededCable.win95Port)
    ->Arg(1)
    ->Arg(16)
    ->Arg(256)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tervane
