// The stand-in library's scenario: which bridges are attached and how each answers, read from text.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/memory_bridge.h"

namespace tervane {
namespace standin {

// The most serial bytes a scenario may have stored: the room the program's
// binding gives the library. More would corrupt the caller's memory for real.
constexpr std::int32_t kMaxSerialStored = 256;

// The status of the count when the scenario file is malformed.
constexpr std::int32_t kStatusBadScenario = 0xE0;

struct ScenarioBridge {
  MemoryCp210x::Bridge bridge;
  // The calls on this bridge that fail, each with its non-zero status.
  std::vector<std::pair<MemoryCp210x::Function, std::int32_t>> failures;
};

struct Scenario {
  std::vector<ScenarioBridge> bridges;
  std::optional<std::int32_t> count;  // reported in place of the number of bridges
  std::int32_t countStatus = 0;       // status of CP210x_GetNumDevices
};

class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what) {}
};

// Reads the text format described in tests/standin/README.md; raises ScenarioError.
Scenario ParseScenario(const std::string& text);

// Replaces the model's bridges, count and faults with the scenario's: the
// bridges opened before are taken away, so their handles die. A failing
// count writes through its reference only a count the scenario names.
void Seed(MemoryCp210x& model, const Scenario& scenario);

}  // namespace standin
}  // namespace tervane
