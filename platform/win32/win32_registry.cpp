// The registry through advapi32's ANSI functions, key handles carried as 32-bit values.
#include <windows.h>

#include <cstdint>

#include "platform/win32/win32_seams.h"

namespace tervane {
namespace {

// Handles and the predefined roots are 32-bit values on this target, so the
// conversion keeps every bit (HKEY_LOCAL_MACHINE is 0x80000002 both ways).
HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }
RegKey ToRegKey(HKEY key) { return static_cast<RegKey>(reinterpret_cast<std::uintptr_t>(key)); }

}  // namespace

// Result is written only on success: advapi32 clears it on a failure.
std::int32_t Win32Registry::RegOpenKeyExA(RegKey Key, const char* SubKey, std::uint32_t Options,
                                          std::uint32_t Desired, RegKey& Result) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExA(ToHkey(Key), SubKey, Options, Desired, &opened);
  if (result == ERROR_SUCCESS) Result = ToRegKey(opened);
  return result;
}

std::int32_t Win32Registry::RegOpenKeyA(RegKey Key, const char* SubKey, RegKey& Result) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyA(ToHkey(Key), SubKey, &opened);
  if (result == ERROR_SUCCESS) Result = ToRegKey(opened);
  return result;
}

std::int32_t Win32Registry::RegQueryValueExA(RegKey Key, const char* ValueName,
                                             std::uint32_t Reserved, std::uint32_t& Type,
                                             ByteArray& Data, std::int32_t& ByteCount) {
  if (ByteCount < 0 || ByteCount > Data.size()) return ERROR_INVALID_PARAMETER;
  // A null data pointer would turn the call into a size query that succeeds,
  // so an empty array still hands over a buffer (of no usable room).
  BYTE noRoom = 0;
  BYTE* data = Data.size() > 0 ? Data.data() : &noRoom;
  // lpReserved is a pointer that must be null; a non-zero value is handed
  // over as a valid pointer, so that advapi32 refuses it without reading it.
  DWORD reserved = Reserved;
  DWORD type = Type;
  DWORD count = static_cast<DWORD>(ByteCount);
  const LONG result = ::RegQueryValueExA(ToHkey(Key), ValueName,
                                         Reserved != 0 ? &reserved : nullptr, &type, data, &count);
  Type = type;
  // A value's size cannot reach 2 GiB, so the count fits the signed count.
  ByteCount = static_cast<std::int32_t>(count);
  return result;
}

std::int32_t Win32Registry::RegCloseKey(RegKey Key) { return ::RegCloseKey(ToHkey(Key)); }

}  // namespace tervane
