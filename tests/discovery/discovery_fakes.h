// Recording fake for the scan's tests: a port lookup logging to a CallLog, beside the shared label.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime_error.h"
#include "portlookup/port_lookup.h"
#include "support/call_log.h"
#include "support/recording_label.h"

namespace tervane {
namespace test {

// Records which lookup ran and what it was handed; answers from a list (the
// last answer repeats) or raises the chosen error.
class RecordingLookup final : public PortLookup {
 public:
  struct Call {
    std::string function;
    std::int32_t vid;
    std::int32_t pid;
    std::vector<std::uint8_t> serialBytes;  // the whole array as handed over
    std::int32_t serialLength;
  };

  explicit RecordingLookup(CallLog* log) : log_(log) {}

  std::vector<std::int16_t> answers{3};
  std::optional<RuntimeError> error;
  std::vector<Call> calls;

  std::int16_t GetPortNumXP2000Vista(std::int32_t Vid, std::int32_t Pid, ByteArray& SerialString,
                                     std::int32_t SerialLength) override {
    return Answer("GetPortNumXP2000Vista", Vid, Pid, SerialString, SerialLength);
  }
  std::int16_t GetPortNum98(std::int32_t Vid, std::int32_t Pid, ByteArray& SerialString,
                            std::int32_t SerialLength) override {
    return Answer("GetPortNum98", Vid, Pid, SerialString, SerialLength);
  }

 private:
  std::int16_t Answer(const std::string& function, std::int32_t vid, std::int32_t pid,
                      const ByteArray& serial, std::int32_t length) {
    log_->Add(function);
    calls.push_back({function, vid, pid, {serial.data(), serial.data() + serial.size()}, length});
    if (error) throw *error;
    return answers.at(std::min(calls.size(), answers.size()) - 1);
  }

  CallLog* log_;
};

}  // namespace test
}  // namespace tervane
