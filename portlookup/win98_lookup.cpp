// The Windows 95 family's lookup: a walk over the numbered SLABCR instance keys.
#include <string>

#include "platform/checked_int.h"
#include "portlookup/port_text.h"
#include "portlookup/registry_port_lookup.h"
#include "portlookup/scoped_key.h"

namespace tervane {

namespace {

// Blanks become underscores and a to z become upper case; every other byte stays.
void RewriteSerial98(ByteArray& serial, std::int32_t length) {
  const std::int32_t last = CheckedSub32(length, 1);
  for (std::int32_t i = 0; i <= last; ++i) {
    std::uint8_t& byte = serial.at(i);
    if (byte == ' ') {
      byte = '_';
    } else if (byte >= 'a' && byte <= 'z') {
      byte = static_cast<std::uint8_t>(byte - 32);
    }
  }
}

std::string DeviceId98(std::int32_t vid, std::int32_t pid, const ByteArray& serial,
                       std::int32_t length) {
  return "USB\\VID_" + HexUpper(vid) + "&PID_" + HexUpper(pid) + "&MI_00\\" +
         ConvertToString(serial, length) + "_00";
}

}  // namespace

std::string SlabcrInstancePath(std::int16_t instance) {
  return "Enum\\SLABCR\\guid\\000" + std::to_string(instance);
}

// Every query is handed the byte count the previous one left. A
// "CRLowerDeviceID" refused with 234 is read again from the same instance
// with the size it needs, but only when that size fits the buffer and only
// once per instance; otherwise the instance is passed over (docs/design.md).
// Each instance key is closed by its ScopedKey at the end of its pass,
// HKEY_LOCAL_MACHINE by its own at the end of the call.
std::int16_t RegistryPortLookup::GetPortNum98(std::int32_t Vid, std::int32_t Pid,
                                              ByteArray& SerialString, std::int32_t SerialLength) {
  ByteArray buffer(kValueBufferSize);
  std::int32_t byteCount = kValueQueryCount;
  std::int16_t result = -1;
  std::int16_t instance = 0;
  std::string path = SlabcrInstancePath(instance);
  ScopedKey root(registry_, kHkeyLocalMachine);
  RewriteSerial98(SerialString, SerialLength);
  const std::string deviceId = DeviceId98(Vid, Pid, SerialString, SerialLength);
  bool retried = false;  // whether the current instance is already being read again
  for (;;) {
    ScopedKey key(registry_);
    if (!key.Opened(registry_.RegOpenKeyA(kHkeyLocalMachine, path.c_str(), key.Slot()))) break;
    const std::int32_t status = QueryValue(key.get(), "CRLowerDeviceID", buffer, byteCount);
    bool retry = false;
    if (status == kErrorMoreData) {
      retry = !retried && byteCount <= buffer.size();
      if (retry) instance = CheckedSub16(instance, 1);
    } else if (status == kErrorSuccess &&
               ConvertToString(buffer, CheckedSub32(byteCount, 1)) == deviceId &&
               QueryValue(key.get(), "PortName", buffer, byteCount) == kErrorSuccess) {
      result = DecodePortNameInPlace(buffer, byteCount);
    }
    retried = retry;
    instance = CheckedAdd16(instance, 1);
    path = SlabcrInstancePath(instance);
  }
  return result;
}

}  // namespace tervane
