// Timing over freshly seeded stand-ins: only the measured body is timed, never the seeding.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

namespace tervane {
namespace bench {

// The in-memory stand-ins record every call they receive and keep every
// handle they ever handed out, scanning that list on each open and close, so
// one reused across iterations gets slower run after run. Each iteration
// therefore gets a new set from make(), outside the timed part (the
// benchmark must use UseManualTime()). Returns the total seconds timed.
template <typename Make, typename Body>
double TimeOnFreshRigs(benchmark::State& state, Make make, Body body) {
  double total = 0;
  for (auto _ : state) {
    auto rig = make();
    const auto start = std::chrono::steady_clock::now();
    body(*rig);
    const auto end = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(end - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  return total;
}

}  // namespace bench
}  // namespace tervane
