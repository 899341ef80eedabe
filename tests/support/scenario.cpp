// Reads the stand-in's scenario text, one directive a line with fields as name=value, and seeds the
// model.
#include "support/scenario.h"

#include <array>
#include <sstream>

namespace tervane {
namespace standin {
namespace {

using Function = MemoryCp210x::Function;

// The calls on an opened bridge that a scenario can make fail.
constexpr std::array<std::pair<const char*, Function>, 5> kCalls = {{
    {"Open", Function::Open},
    {"GetDeviceVid", Function::GetDeviceVid},
    {"GetDevicePid", Function::GetDevicePid},
    {"GetDeviceSerialNumber", Function::GetDeviceSerialNumber},
    {"Close", Function::Close},
}};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class LineReader {
 public:
  explicit LineReader(int line) : line_(line) {}

  [[noreturn]] void Fail(const std::string& what) const { throw ScenarioError(line_, what); }

  // Decimal or 0x-prefixed hexadecimal, optionally negative, within 32 bits
  // (signed or unsigned, so 0xFFFFFFFF reads as -1).
  std::int32_t Number(const std::string& text) const {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    int base = 10;
    if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
      base = 16;
      i += 2;
    }
    if (i == text.size()) Fail("not a number: '" + text + "'");
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0 || digit >= base) Fail("not a number: '" + text + "'");
      value = value * base + digit;
      if (value > 0xFFFFFFFFull) Fail("number beyond 32 bits: '" + text + "'");
    }
    if (negative && value > 0x80000000ull) Fail("number beyond 32 bits: '" + text + "'");
    const std::uint32_t bits = static_cast<std::uint32_t>(negative ? 0 - value : value);
    return static_cast<std::int32_t>(bits);
  }

  std::string Bytes(const std::string& text) const {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\\') {
        bytes += text[i];
        continue;
      }
      const char kind = i + 1 < text.size() ? text[i + 1] : '\0';
      if (kind == 's') {
        bytes += ' ';
        i += 1;
      } else if (kind == '\\') {
        bytes += '\\';
        i += 1;
      } else if (kind == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 &&
                 HexDigit(text[i + 3]) >= 0) {
        bytes += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
        i += 3;
      } else {
        Fail("bad escape in '" + text + "' (use \\s, \\\\ or \\xHH)");
      }
    }
    return bytes;
  }

  Function Call(const std::string& name) const {
    const std::string prefix = "CP210x_";
    const std::string bare =
        name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
    for (const auto& call : kCalls) {
      if (bare == call.first) return call.second;
    }
    Fail("unknown call '" + name + "'");
  }

  // A fail field: Call:status.
  void Failure(ScenarioBridge& bridge, const std::string& value) const {
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos) Fail("fail wants Call:status, got '" + value + "'");
    const Function call = Call(value.substr(0, colon));
    const std::int32_t status = Number(value.substr(colon + 1));
    if (status == 0) Fail("a failure needs a non-zero status");
    bridge.failures.emplace_back(call, status);
  }

  void BridgeField(ScenarioBridge& entry, const std::string& name, const std::string& value) const {
    MemoryCp210x::Bridge& bridge = entry.bridge;
    if (name == "vid") {
      bridge.vid = Number(value);
    } else if (name == "pid") {
      bridge.pid = Number(value);
    } else if (name == "serial") {
      const std::string bytes = Bytes(value);
      bridge.serial.assign(bytes.begin(), bytes.end());
    } else if (name == "length") {
      bridge.reportedLength = Number(value);
    } else if (name == "write") {
      bridge.storedLength = Number(value);
    } else if (name == "fail") {
      Failure(entry, value);
    } else {
      Fail("unknown bridge field '" + name + "'");
    }
  }

  void CountField(Scenario& scenario, const std::string& name, const std::string& value) const {
    if (name == "count") {
      scenario.count = Number(value);
    } else if (name == "status") {
      scenario.countStatus = Number(value);
    } else {
      Fail("unknown numdevices field '" + name + "'");
    }
  }

  void Directive(Scenario& scenario, std::istringstream& words) const {
    std::string directive;
    if (!(words >> directive)) return;  // blank line
    ScenarioBridge bridge;
    if (directive != "bridge" && directive != "numdevices")
      Fail("unknown directive '" + directive + "'");
    for (std::string field; words >> field;) {
      const std::size_t equals = field.find('=');
      if (equals == std::string::npos) Fail("field without '=': '" + field + "'");
      const std::string name = field.substr(0, equals);
      const std::string value = field.substr(equals + 1);
      if (directive == "bridge") {
        BridgeField(bridge, name, value);
      } else {
        CountField(scenario, name, value);
      }
    }
    if (directive != "bridge") return;
    const std::int32_t stored = bridge.bridge.StoredLength();
    if (stored < 0 || stored > kMaxSerialStored) {
      Fail("write must lie within 0.." + std::to_string(kMaxSerialStored));
    }
    scenario.bridges.push_back(bridge);
  }

 private:
  int line_;
};

}  // namespace

Scenario ParseScenario(const std::string& text) {
  Scenario scenario;
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (const auto comment = line.find('#'); comment != std::string::npos) line.erase(comment);
    std::istringstream words(line);
    LineReader(number).Directive(scenario, words);
  }
  return scenario;
}

void Seed(MemoryCp210x& model, const Scenario& scenario) {
  model.RemoveAllBridges();
  for (const ScenarioBridge& entry : scenario.bridges) {
    const std::int32_t index = model.AddBridge(entry.bridge);
    for (const auto& failure : entry.failures) model.Fail(failure.first, index, failure.second);
  }
  if (scenario.count) model.SetCount(*scenario.count);
  if (scenario.countStatus != 0) {
    model.Fail(Function::GetNumDevices, -1, scenario.countStatus, scenario.count.has_value());
  }
}

}  // namespace standin
}  // namespace tervane
