// The COM port lookups: beneath Enum\USB on the NT family, the SLABCR walk on the 95 family.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "portlookup/port_lookup.h"

namespace tervane {

// Every key a lookup opens is closed exactly once, innermost first, with
// HKEY_LOCAL_MACHINE closed last, on the normal paths and also when an error
// ends the lookup.
class RegistryPortLookup final : public PortLookup {
 public:
  explicit RegistryPortLookup(Registry& registry) : registry_(registry) {}

  std::int16_t GetPortNumXP2000Vista(std::int32_t Vid, std::int32_t Pid, ByteArray& SerialString,
                                     std::int32_t SerialLength) override;
  std::int16_t GetPortNum98(std::int32_t Vid, std::int32_t Pid, ByteArray& SerialString,
                            std::int32_t SerialLength) override;

 private:
  std::int16_t ReadInstanceNT(RegKey usb, std::int32_t Vid, std::int32_t Pid,
                              const ByteArray& SerialString, std::int32_t SerialLength,
                              ByteArray& buffer, std::int32_t& byteCount);
  std::int16_t ReadDeviceParameters(RegKey instance, ByteArray& buffer, std::int32_t& byteCount);
  std::int32_t QueryValue(RegKey key, const char* name, ByteArray& buffer, std::int32_t& byteCount);

  Registry& registry_;
};

// The Windows 95 family's instance key path for an instance number: "000"
// followed by its decimal digits (0 gives 0000, 10 gives 00010).
std::string SlabcrInstancePath(std::int16_t instance);

}  // namespace tervane
