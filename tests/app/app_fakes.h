// Small fakes for the main window's tests: a lookup and the window system.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/window_system.h"
#include "portlookup/port_lookup.h"
#include "support/recording_label.h"

namespace tervane {
namespace test {

// Answers every lookup with one port number, or raises.
class FakeLookup final : public PortLookup {
 public:
  std::int16_t port = 3;
  std::function<void()> raise;
  int calls = 0;

  std::int16_t GetPortNumXP2000Vista(std::int32_t, std::int32_t, ByteArray&,
                                     std::int32_t) override {
    return Answer();
  }
  std::int16_t GetPortNum98(std::int32_t, std::int32_t, ByteArray&, std::int32_t) override {
    return Answer();
  }

 private:
  std::int16_t Answer() {
    ++calls;
    if (raise) raise();
    return port;
  }
};

class FakeWindowSystem final : public WindowSystem {
 public:
  std::vector<std::string> messages;
  std::vector<int> ends;
  // Runs while the message is up, as the messages a real message box
  // dispatches would.
  std::function<void()> whileShowing;

  void ShowFatalError(const char* message) noexcept override {
    messages.push_back(message);
    if (whileShowing) whileShowing();
  }
  void EndProgram(int exitCode) override { ends.push_back(exitCode); }
};

}  // namespace test
}  // namespace tervane
