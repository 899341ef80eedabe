// Small fakes for the main window's tests: a bridge library, a lookup, the label and the window system.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/window_system.h"
#include "discovery/status_label.h"
#include "platform/modCP210x.h"
#include "portlookup/port_lookup.h"

namespace tervane {
namespace test {

// Bridges as the library would report them. Handles count up from 0x100, so
// 1 is never one; calls with a handle that is not open fail with status 1,
// and a failing close leaves the bridge open, as the library's do.
class FakeBridge final : public modCP210x {
 public:
  struct Device {
    std::int32_t vid = 0x10C4;
    std::int32_t pid = 0x823E;
    std::string serial = "VYX 0042";
  };

  void Attach(Device device) { devices_.push_back(device); }
  void DetachAll() { devices_.clear(); }
  // Every close from now on returns this status and leaves the bridge open.
  void FailCloses(std::int32_t status) { closeStatus_ = status; }
  // The named function raises this error instead of running.
  void Raise(const std::string& function, std::function<void()> raise) {
    raiseIn_ = function;
    raise_ = std::move(raise);
  }

  const std::vector<std::string>& calls() const { return calls_; }
  int CountOf(const std::string& function) const;
  const std::vector<std::uint32_t>& closedHandles() const { return closed_; }
  std::size_t openCount() const { return open_.size(); }

  std::int32_t CP210x_GetNumDevices(std::int32_t& NumDevices) override;
  std::int32_t CP210x_Open(std::int32_t DeviceNum, std::uint32_t& Handle) override;
  std::int32_t CP210x_Close(std::uint32_t Handle) override;
  std::int32_t CP210x_GetDeviceVid(std::uint32_t Handle, std::int32_t& Vid) override;
  std::int32_t CP210x_GetDevicePid(std::uint32_t Handle, std::int32_t& Pid) override;
  std::int32_t CP210x_GetDeviceSerialNumber(std::uint32_t Handle, ByteArray& SerialString,
                                            std::int32_t& SerialLength,
                                            std::int32_t& Flag) override;

 private:
  struct Open {
    std::uint32_t handle;
    Device device;
  };
  void Enter(const std::string& function);
  const Device* Find(std::uint32_t handle) const;

  std::vector<Device> devices_;
  std::vector<Open> open_;
  std::vector<std::uint32_t> closed_;
  std::vector<std::string> calls_;
  std::uint32_t nextHandle_ = 0x100;
  std::int32_t closeStatus_ = 0;
  std::string raiseIn_;
  std::function<void()> raise_;
};

// Answers every lookup with one port number, or raises.
class FakeLookup final : public PortLookup {
 public:
  std::int16_t port = 3;
  std::function<void()> raise;
  int calls = 0;

  std::int16_t GetPortNumXP2000Vista(std::int32_t&, std::int32_t&, ByteArray&,
                                     std::int32_t&) override {
    return Answer();
  }
  std::int16_t GetPortNum98(std::int32_t&, std::int32_t&, ByteArray&, std::int32_t&) override {
    return Answer();
  }

 private:
  std::int16_t Answer() {
    ++calls;
    if (raise) raise();
    return port;
  }
};

class FakeLabel final : public StatusLabel {
 public:
  // What the label shows before the first scan writes into it.
  std::string caption = "COM Port:";
  int sets = 0;

  void SetCaption(const std::string& text) override {
    caption = text;
    ++sets;
  }
};

class FakeWindowSystem final : public WindowSystem {
 public:
  std::vector<std::string> messages;
  std::vector<int> ends;

  void ShowFatalError(const std::string& message) override { messages.push_back(message); }
  void EndProgram(int exitCode) override { ends.push_back(exitCode); }
};

}  // namespace test
}  // namespace tervane
