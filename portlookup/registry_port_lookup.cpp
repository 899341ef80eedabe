// The value query both lookups share.
#include "portlookup/registry_port_lookup.h"

#include "portlookup/port_text.h"

namespace tervane {

std::int32_t RegistryPortLookup::QueryValue(RegKey key, const char* name, ByteArray& buffer,
                                            std::int32_t& byteCount) {
  // A refused query leaves the size the value needs, which may exceed the
  // buffer; no query is ever handed more room than the buffer has.
  if (byteCount > buffer.size()) byteCount = buffer.size();
  std::uint32_t type = 0;  // whatever its type, a value is decoded the same way
  return registry_.RegQueryValueExA(key, name, 0, type, buffer, byteCount);
}

}  // namespace tervane
