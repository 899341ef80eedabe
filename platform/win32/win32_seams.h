// The Win32 sides of the seams: the lazily bound bridge library, advapi32's registry, GetVersion.
#pragma once

#include "platform/modCP210x.h"
#include "platform/os_version.h"
#include "platform/registry.h"

namespace tervane {

// Binds usbdongle.dll at the first call of each function (never from the
// current directory); a library or function that cannot be bound raises a
// RuntimeError at that call.
class Win32Cp210x final : public modCP210x {
 public:
  Win32Cp210x() = default;
  // Releases the library if a call loaded it.
  ~Win32Cp210x() override;
  Win32Cp210x(const Win32Cp210x&) = delete;
  Win32Cp210x& operator=(const Win32Cp210x&) = delete;

  std::int32_t CP210x_GetNumDevices(std::int32_t& NumDevices) override;
  std::int32_t CP210x_Open(std::int32_t DeviceNum, std::uint32_t& Handle) override;
  std::int32_t CP210x_Close(std::uint32_t Handle) override;
  std::int32_t CP210x_GetDeviceVid(std::uint32_t Handle, std::int32_t& Vid) override;
  std::int32_t CP210x_GetDevicePid(std::uint32_t Handle, std::int32_t& Pid) override;
  std::int32_t CP210x_GetDeviceSerialNumber(std::uint32_t Handle, ByteArray& SerialString,
                                            std::int32_t& SerialLength,
                                            std::int32_t& Flag) override;

 private:
  // A function address as run_time_function.h's AnyFunction, spelled here
  // so that this header needs no windows.h.
  using Bound = void (*)();

  // The named function's address, loading the library and looking the name
  // up at the first call; raises the binding errors.
  Bound Function(const char* name, Bound& cached);

  // The module handle, as void* for the same reason.
  void* library_ = nullptr;
  Bound getNumDevices_ = nullptr;
  Bound open_ = nullptr;
  Bound close_ = nullptr;
  Bound getDeviceVid_ = nullptr;
  Bound getDevicePid_ = nullptr;
  Bound getDeviceSerialNumber_ = nullptr;
};

class Win32Registry final : public Registry {
 public:
  std::int32_t RegOpenKeyExA(RegKey Key, const char* SubKey, std::uint32_t Options,
                             std::uint32_t Desired, RegKey& Result) override;
  std::int32_t RegOpenKeyA(RegKey Key, const char* SubKey, RegKey& Result) override;
  std::int32_t RegQueryValueExA(RegKey Key, const char* ValueName, std::uint32_t Reserved,
                                std::uint32_t& Type, ByteArray& Data,
                                std::int32_t& ByteCount) override;
  std::int32_t RegCloseKey(RegKey Key) override;
};

class Win32OsVersion final : public OsVersion {
 public:
  std::uint32_t GetVersion() override;
};

}  // namespace tervane
