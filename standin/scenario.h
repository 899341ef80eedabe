// The stand-in bridge library's scenario: which bridges are attached and how each of them answers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tervane {
namespace standin {

// The calls made on an opened bridge, which a scenario can make fail.
enum class BridgeCall { Open, GetDeviceVid, GetDevicePid, GetDeviceSerialNumber, Close };
constexpr std::size_t kBridgeCallCount = 5;

// The most serial bytes a scenario may have written: the room the program's
// binding gives the library. More would corrupt the caller's memory for real.
constexpr std::int32_t kMaxSerialWrite = 256;
// Written after the serial when a bridge writes more bytes than its serial has.
constexpr std::uint8_t kSerialFill = 'Z';

struct Bridge {
  std::int32_t vid = 0;
  std::int32_t pid = 0;
  std::string serial;  // raw bytes
  // The length handed back and the number of bytes stored; both are the
  // serial's size unless the scenario sets them.
  std::optional<std::int32_t> length;
  std::optional<std::int32_t> write;
  std::array<std::optional<std::int32_t>, kBridgeCallCount> failures;

  std::int32_t ReportedLength() const { return length.value_or(SerialSize()); }
  std::int32_t BytesWritten() const { return write.value_or(SerialSize()); }
  std::int32_t SerialSize() const { return static_cast<std::int32_t>(serial.size()); }

  std::optional<std::int32_t> FailureOf(BridgeCall call) const {
    return failures[static_cast<std::size_t>(call)];
  }
};

struct Scenario {
  std::vector<Bridge> bridges;
  std::optional<std::int32_t> count;  // reported in place of the number of bridges
  std::int32_t countStatus = 0;       // status of CP210x_GetNumDevices
};

class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what) {}
};

// Reads the text format described in standin/README.md; raises ScenarioError.
Scenario ParseScenario(const std::string& text);

// Bytes as the scenario file writes them: printable ASCII as is, blank as
// \s, backslash as \\, every other byte (the comment sign # too) as \xHH.
std::string EscapeBytes(const std::string& bytes);

// The scenario file's name of a call ("Open", "GetDeviceVid", ...).
const char* CallName(BridgeCall call);

}  // namespace standin
}  // namespace tervane
