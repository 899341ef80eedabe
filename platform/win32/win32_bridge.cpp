// The CP210x functions of usbdongle.dll, each bound at its first call.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/win32/library_loader.h"
#include "platform/win32/run_time_function.h"
#include "platform/win32/win32_seams.h"

namespace tervane {
namespace {

constexpr const char* kLibrary = "usbdongle.dll";

// The library's functions are __stdcall and return a 32-bit status.
using GetNumDevicesFn = std::int32_t(__stdcall*)(std::int32_t* numDevices);
using OpenFn = std::int32_t(__stdcall*)(std::int32_t deviceNum, std::uint32_t* handle);
using CloseFn = std::int32_t(__stdcall*)(std::uint32_t handle);
using GetDeviceIdFn = std::int32_t(__stdcall*)(std::uint32_t handle, std::int32_t* id);
using GetDeviceSerialNumberFn = std::int32_t(__stdcall*)(std::uint32_t handle, std::uint8_t* buffer,
                                                         std::int32_t* length, std::int32_t* flag);

// The library is handed this much room for a serial number, well beyond the
// 64 bytes a caller's array holds, so one that writes more than it should
// spoils only this scratch space.
constexpr std::size_t kSerialScratchSize = 256;

template <typename Fn>
Fn As(AnyFunction address) {
  return reinterpret_cast<Fn>(address);
}

}  // namespace

Win32Cp210x::~Win32Cp210x() {
  if (library_ != nullptr) FreeLibrary(static_cast<HMODULE>(library_));
}

Win32Cp210x::Bound Win32Cp210x::Function(const char* name, Bound& cached) {
  if (cached != nullptr) return cached;
  if (library_ == nullptr) {
    library_ = LoadLibraryNotFromCurrentDirectory(kLibrary);
    if (library_ == nullptr) throw RuntimeError::FileNotFound(kLibrary);
  }
  cached = FunctionAddress(static_cast<HMODULE>(library_), name);
  if (cached == nullptr) throw RuntimeError::EntryPointNotFound(name, kLibrary);
  return cached;
}

std::int32_t Win32Cp210x::CP210x_GetNumDevices(std::int32_t& NumDevices) {
  return As<GetNumDevicesFn>(Function("CP210x_GetNumDevices", getNumDevices_))(&NumDevices);
}

std::int32_t Win32Cp210x::CP210x_Open(std::int32_t DeviceNum, std::uint32_t& Handle) {
  return As<OpenFn>(Function("CP210x_Open", open_))(DeviceNum, &Handle);
}

std::int32_t Win32Cp210x::CP210x_Close(std::uint32_t Handle) {
  return As<CloseFn>(Function("CP210x_Close", close_))(Handle);
}

std::int32_t Win32Cp210x::CP210x_GetDeviceVid(std::uint32_t Handle, std::int32_t& Vid) {
  return As<GetDeviceIdFn>(Function("CP210x_GetDeviceVid", getDeviceVid_))(Handle, &Vid);
}

std::int32_t Win32Cp210x::CP210x_GetDevicePid(std::uint32_t Handle, std::int32_t& Pid) {
  return As<GetDeviceIdFn>(Function("CP210x_GetDevicePid", getDevicePid_))(Handle, &Pid);
}

std::int32_t Win32Cp210x::CP210x_GetDeviceSerialNumber(std::uint32_t Handle,
                                                       ByteArray& SerialString,
                                                       std::int32_t& SerialLength,
                                                       std::int32_t& Flag) {
  auto getSerial =
      As<GetDeviceSerialNumberFn>(Function("CP210x_GetDeviceSerialNumber", getDeviceSerialNumber_));
  // The scratch starts as a copy of the caller's bytes, so bytes the library
  // leaves alone keep their values, as if it had written into the array.
  const std::size_t kept =
      std::min(static_cast<std::size_t>(SerialString.size()), kSerialScratchSize);
  std::array<std::uint8_t, kSerialScratchSize> scratch{};
  std::memcpy(scratch.data(), SerialString.data(), kept);
  const std::int32_t status = getSerial(Handle, scratch.data(), &SerialLength, &Flag);
  std::memcpy(SerialString.data(), scratch.data(), kept);
  return status;
}

}  // namespace tervane
