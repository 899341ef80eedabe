// The NT family's lookup: the port name beneath the device's instance key under Enum\USB.
#include <string>

#include "platform/checked_int.h"
#include "portlookup/port_text.h"
#include "portlookup/registry_port_lookup.h"
#include "portlookup/scoped_key.h"

namespace tervane {

namespace {

void SpacesToUnderscores(ByteArray& serial, const std::int32_t& length) {
  const std::int32_t last = CheckedSub32(length, 1);
  for (std::int32_t i = 0; i <= last; ++i) {
    if (serial.at(i) == ' ') serial.at(i) = '_';
    if (i == last) break;
  }
}

std::string IdsPrefix(std::int32_t vid, std::int32_t pid) {
  return "Vid_" + HexLower(vid) + "&Pid_" + HexLower(pid);
}

}  // namespace

std::int16_t RegistryPortLookup::GetPortNumXP2000Vista(std::int32_t& Vid, std::int32_t& Pid,
                                                       ByteArray& SerialString,
                                                       std::int32_t& SerialLength) {
  ByteArray buffer(kValueBufferSize);
  std::int32_t byteCount = kValueQueryCount;
  std::int16_t port = -1;
  ScopedKey root(registry_, kHkeyLocalMachine);
  ScopedKey controlSet(registry_);
  if (controlSet.Opened(registry_.RegOpenKeyExA(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\", 0,
                                                kKeyRead, controlSet.Slot()))) {
    ScopedKey usb(registry_);
    if (usb.Opened(registry_.RegOpenKeyA(controlSet.get(), "Enum\\USB\\", usb.Slot()))) {
      SpacesToUnderscores(SerialString, SerialLength);
      port = ReadInstanceNT(usb.get(), Vid, Pid, SerialString, SerialLength, buffer, byteCount);
      usb.Close();
    }
    controlSet.Close();
  }
  root.Close();
  return port;
}

// The interface key first; the device key only when the interface key does not open.
std::int16_t RegistryPortLookup::ReadInstanceNT(RegKey usb, const std::int32_t& Vid,
                                                const std::int32_t& Pid, ByteArray& SerialString,
                                                const std::int32_t& SerialLength, ByteArray& buffer,
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

// Reads and decodes "PortName" of the instance's "Device Parameters" key,
// then closes both keys.
std::int16_t RegistryPortLookup::ReadDeviceParameters(RegKey instance, ByteArray& buffer,
                                                      std::int32_t& byteCount) {
  ScopedKey instanceKey(registry_, instance);
  ScopedKey parameters(registry_);
  std::int16_t port = -1;
  if (parameters.Opened(registry_.RegOpenKeyA(instance, "Device Parameters", parameters.Slot()))) {
    if (QueryValue(parameters.get(), "PortName", buffer, byteCount) == kErrorSuccess) {
      port = DecodePortName(buffer, byteCount);
    }
    parameters.Close();
  }
  instanceKey.Close();
  return port;
}

}  // namespace tervane
