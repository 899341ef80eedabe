// The 95 family's walk (GetPortNum98) over 1 to 1000 SLABCR instance keys, the cable's last.
#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "portlookup/registry_port_lookup.h"
#include "support/cable_seed.h"
#include "support/call_log.h"
#include "support/memory_registry.h"

namespace tervane {
namespace {

// The suites' main cable (tests/e2e/cable.reg), its serial in small letters,
// which the walk capitalises.
const test::seed::Cable& kSeededCable = test::seed::kMainCable;

// Every other instance belongs to another bridge whose device ID has the
// cable's length, so no query is refused for want of room.
struct WalkRig {
  WalkRig(int instances, CallLog* log) : registry(log) {
    for (int i = 0; i < instances; ++i) {
      char id[64];
      std::snprintf(id, sizeof id, "USB\\VID_10C4&PID_823E&MI_00\\ABC_%04d_00", i);
      const bool cable = i + 1 == instances;
      const auto path = SlabcrInstancePath(static_cast<std::int16_t>(i));
      registry.SetString(path, "CRLowerDeviceID", cable ? kSeededCable.win95DeviceId : id);
      registry.SetString(path, "PortName",
                         cable ? kSeededCable.win95PortName : "COM" + std::to_string(i + 10));
    }
    const std::string text = kSeededCable.serial;
    for (std::size_t i = 0; i < text.size(); ++i) {
      serial.at(static_cast<std::int32_t>(i)) =
          static_cast<std::uint8_t>(std::tolower(static_cast<unsigned char>(text[i])));
    }
    length = static_cast<std::int32_t>(text.size());
  }

  std::int16_t Lookup() { return lookup.GetPortNum98(vid, pid, serial, length); }

  MemoryRegistry registry;
  RegistryPortLookup lookup{registry};
  std::int32_t vid = 0x10C4;
  std::int32_t pid = 0x823E;
  ByteArray serial{64};
  std::int32_t length = 0;
};

// With the shared call log attached to the timed runs as well, to show what
// logging adds; the stand-in records every call internally either way, and
// its records are forgotten after each walk.
void BM_Win98Walk(benchmark::State& state, bool logged) {
  const int instances = static_cast<int>(state.range(0));
  CallLog log;
  WalkRig checked(instances, &log);
  if (checked.Lookup() != kSeededCable.win95Port) {
    state.SkipWithError("the walk did not find the cable's port");
    return;
  }
  const auto registryCalls = static_cast<double>(log.Names().size());
  CallLog timedLog;
  WalkRig rig(instances, logged ? &timedLog : nullptr);
  for (auto _ : state) {
    benchmark::DoNotOptimize(rig.Lookup());
    rig.registry.ClearCalls();
    timedLog.Clear();
  }
  state.counters["registry_calls"] = registryCalls;
  state.counters["calls_per_instance"] = registryCalls / instances;
  state.counters["seconds_per_instance"] = benchmark::Counter(
      static_cast<double>(instances),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(BM_Win98Walk, unlogged, false)
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Win98Walk, logged, true)
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tervane
