// Label1 for the tests, benchmarks and fuzz targets: keeps every caption set, or raises the chosen
// error.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "discovery/status_label.h"
#include "platform/runtime_error.h"
#include "support/call_log.h"

namespace tervane {
namespace test {

class RecordingLabel final : public StatusLabel {
 public:
  // With a log, each caption set is recorded there as "SetCaption".
  explicit RecordingLabel(CallLog* log = nullptr) : log_(log) {}

  std::vector<std::string> captions;
  std::optional<RuntimeError> error;

  void SetCaption(const std::string& text) override {
    if (log_ != nullptr) log_->Add("SetCaption");
    if (error) throw *error;
    captions.push_back(text);
  }

  // What the label shows: the last caption set, else its initial text.
  std::string Shown() const { return captions.empty() ? "COM Port:" : captions.back(); }

 private:
  CallLog* log_;
};

}  // namespace test
}  // namespace tervane
