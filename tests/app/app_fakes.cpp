// The fake bridge library.
#include "app_fakes.h"

#include <algorithm>

namespace tervane {
namespace test {
namespace {

constexpr std::int32_t kNotOpen = 1;
constexpr std::int32_t kNoSuchDevice = 2;

}  // namespace

int FakeBridge::CountOf(const std::string& function) const {
  return static_cast<int>(std::count(calls_.begin(), calls_.end(), function));
}

void FakeBridge::Enter(const std::string& function) {
  calls_.push_back(function);
  if (raise_ && function == raiseIn_) raise_();
}

const FakeBridge::Device* FakeBridge::Find(std::uint32_t handle) const {
  for (const Open& open : open_) {
    if (open.handle == handle) return &open.device;
  }
  return nullptr;
}

std::int32_t FakeBridge::CP210x_GetNumDevices(std::int32_t& NumDevices) {
  Enter("CP210x_GetNumDevices");
  NumDevices = static_cast<std::int32_t>(devices_.size());
  return 0;
}

std::int32_t FakeBridge::CP210x_Open(std::int32_t DeviceNum, std::uint32_t& Handle) {
  Enter("CP210x_Open");
  if (DeviceNum < 0 || static_cast<std::size_t>(DeviceNum) >= devices_.size()) {
    return kNoSuchDevice;
  }
  Handle = nextHandle_++;
  open_.push_back({Handle, devices_[static_cast<std::size_t>(DeviceNum)]});
  return 0;
}

std::int32_t FakeBridge::CP210x_Close(std::uint32_t Handle) {
  Enter("CP210x_Close");
  closed_.push_back(Handle);
  if (Find(Handle) == nullptr) return kNotOpen;
  if (closeStatus_ != 0) return closeStatus_;
  open_.erase(std::remove_if(open_.begin(), open_.end(),
                             [Handle](const Open& open) { return open.handle == Handle; }),
              open_.end());
  return 0;
}

std::int32_t FakeBridge::CP210x_GetDeviceVid(std::uint32_t Handle, std::int32_t& Vid) {
  Enter("CP210x_GetDeviceVid");
  const Device* device = Find(Handle);
  if (device == nullptr) return kNotOpen;
  Vid = device->vid;
  return 0;
}

std::int32_t FakeBridge::CP210x_GetDevicePid(std::uint32_t Handle, std::int32_t& Pid) {
  Enter("CP210x_GetDevicePid");
  const Device* device = Find(Handle);
  if (device == nullptr) return kNotOpen;
  Pid = device->pid;
  return 0;
}

std::int32_t FakeBridge::CP210x_GetDeviceSerialNumber(std::uint32_t Handle,
                                                      ByteArray& SerialString,
                                                      std::int32_t& SerialLength,
                                                      std::int32_t& /*Flag*/) {
  Enter("CP210x_GetDeviceSerialNumber");
  const Device* device = Find(Handle);
  if (device == nullptr) return kNotOpen;
  const auto length = static_cast<std::int32_t>(device->serial.size());
  for (std::int32_t i = 0; i < length && i < SerialString.size(); ++i) {
    SerialString.at(i) = static_cast<std::uint8_t>(device->serial[static_cast<std::size_t>(i)]);
  }
  SerialLength = length;
  return 0;
}

}  // namespace test
}  // namespace tervane
