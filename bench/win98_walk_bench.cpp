// The 95 family's walk (GetPortNum98) over 1 to 1000 SLABCR instance keys, the cable's last.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "portlookup/registry_port_lookup.h"
#include "support/call_log.h"
#include "support/memory_registry.h"

namespace tervane {
namespace {

const char* const kSerial = "vyx 0042";

// Every other instance belongs to another bridge whose device ID has the
// cable's length, so no query is refused for want of room.
struct WalkRig {
  WalkRig(int instances, CallLog* log) : registry(log) {
    for (int i = 0; i < instances; ++i) {
      char id[64];
      std::snprintf(id, sizeof id, "USB\\VID_10C4&PID_823E&MI_00\\ABC_%04d_00", i);
      const bool cable = i + 1 == instances;
      const auto path = SlabcrInstancePath(static_cast<std::int16_t>(i));
      registry.SetString(path, "CRLowerDeviceID",
                         cable ? "USB\\VID_10C4&PID_823E&MI_00\\VYX_0042_00" : id);
      registry.SetString(path, "PortName", cable ? "COM5" : "COM" + std::to_string(i + 10));
    }
    for (int i = 0; kSerial[i] != '\0'; ++i) serial.at(i) = static_cast<std::uint8_t>(kSerial[i]);
  }

  std::int16_t Lookup() { return lookup.GetPortNum98(vid, pid, serial, length); }

  MemoryRegistry registry;
  RegistryPortLookup lookup{registry};
  std::int32_t vid = 0x10C4;
  std::int32_t pid = 0x823E;
  ByteArray serial{64};
  std::int32_t length = 8;
};

// With the shared call log attached to the timed runs as well, to show what
// logging adds; the stand-in records every call internally either way, and
// its records are forgotten after each walk.
void BM_Win98Walk(benchmark::State& state, bool logged) {
  const int instances = static_cast<int>(state.range(0));
  CallLog log;
  WalkRig checked(instances, &log);
  if (checked.Lookup() != 5) {
    state.SkipWithError("the walk did not find COM5");
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
