// The NT family's lookup: the port name beneath the device's instance key under Enum\USB.
#include <string>

#include "platform/checked_int.h"
#include "portlookup/port_text.h"
#include "portlookup/registry_port_lookup.h"
#include "portlookup/scoped_key.h"

namespace tervane {

namespace {

void SpacesToUnderscores(ByteArray& serial, std::int32_t length) {
  const std::int32_t last = CheckedSub32(length, 1);
  for (std::int32_t i = 0; i <= last; ++i) {
    if (serial.at(i) == ' ') serial.at(i) = '_';
  }
}

std::string IdsPrefix(std::int32_t vid, std::int32_t pid) {
  return "Vid_" + HexLower(vid) + "&Pid_" + HexLower(pid);
}

}  // namespace

// Each key is closed by its ScopedKey as its scope ends: innermost first,
// HKEY_LOCAL_MACHINE last.
std::int16_t RegistryPortLookup::GetPortNumXP2000Vista(std::int32_t Vid, std::int32_t Pid,
                                                       ByteArray& SerialString,
                                                       std::int32_t SerialLength) {
  ByteArray buffer(kValueBufferSize);
  std::int32_t byteCount = kValueQueryCount;
  ScopedKey root(registry_, kHkeyLocalMachine);
  ScopedKey controlSet(registry_);
  if (!controlSet.Opened(registry_.RegOpenKeyExA(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\",
                                                 0, kKeyRead, controlSet.Slot()))) {
    return -1;
  }
  ScopedKey usb(registry_);
  if (!usb.Opened(registry_.RegOpenKeyA(controlSet.get(), "Enum\\USB\\", usb.Slot()))) return -1;
  SpacesToUnderscores(SerialString, SerialLength);
  return ReadInstanceNT(usb.get(), Vid, Pid, SerialString, SerialLength, buffer, byteCount);
}

// The interface key first; the device key only when the interface key does not open.
std::int16_t RegistryPortLookup::ReadInstanceNT(RegKey usb, std::int32_t Vid, std::int32_t Pid,
                                                const ByteArray& SerialString,
                                                std::int32_t SerialLength, ByteArray& buffer,
                                                std::int32_t& byteCount) {
  const std::string interfaceName =
      IdsPrefix(Vid, Pid) + "&Mi_00\\" + ConvertToString(SerialString, SerialLength) + "_00";
  RegKey instance = 0;
  if (registry_.RegOpenKeyA(usb, interfaceName.c_str(), instance) == kErrorSuccess) {
    return ReadDeviceParameters(instance, buffer, byteCount);
  }
  const std::string deviceName =
      IdsPrefix(Vid, Pid) + "\\" + ConvertToString(SerialString, SerialLength);
  if (registry_.RegOpenKeyA(usb, deviceName.c_str(), instance) == kErrorSuccess) {
    return ReadDeviceParameters(instance, buffer, byteCount);
  }
  return -1;
}

// Reads and decodes "PortName" of the instance's "Device Parameters" key;
// both keys are closed as their ScopedKeys end.
std::int16_t RegistryPortLookup::ReadDeviceParameters(RegKey instance, ByteArray& buffer,
                                                      std::int32_t& byteCount) {
  ScopedKey instanceKey(registry_, instance);
  ScopedKey parameters(registry_);
  if (!parameters.Opened(registry_.RegOpenKeyA(instance, "Device Parameters", parameters.Slot()))) {
    return -1;
  }
  if (QueryValue(parameters.get(), "PortName", buffer, byteCount) != kErrorSuccess) return -1;
  return DecodePortNameInPlace(buffer, byteCount);
}

}  // namespace tervane
