// In-memory stand-in for the registry: a key tree under HKEY_LOCAL_MACHINE with handle tracking.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/call_log.h"
#include "platform/registry.h"

namespace tervane {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

// Behaves as the Windows registry does for the calls the lookups make (and
// as Wine's does, which the registry contract suite checks): key names match
// whatever their ASCII letter case, paths span levels and may end in one
// backslash, names are read up to their first zero byte, RegOpenKeyA with an
// empty path hands back the key it was given, closing HKEY_LOCAL_MACHINE is
// accepted, and a value that does not fit is refused with 234 and its size.
class MemoryRegistry final : public Registry {
 public:
  explicit MemoryRegistry(CallLog* log = nullptr);
  ~MemoryRegistry() override;

  // Seeding. Paths are relative to HKEY_LOCAL_MACHINE; missing levels are created.
  void AddKey(const std::string& path);
  // Stores the text with its terminating zero byte, as REG_SZ.
  void SetString(const std::string& path, const std::string& name, const std::string& text);
  // Stores the bytes exactly as given.
  void SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& bytes);
  void DeleteKey(const std::string& path);

  // Registry.
  std::int32_t RegOpenKeyExA(RegKey Key, const char* SubKey, std::uint32_t Options,
                             std::uint32_t Desired, RegKey& Result) override;
  std::int32_t RegOpenKeyA(RegKey Key, const char* SubKey, RegKey& Result) override;
  std::int32_t RegQueryValueExA(RegKey Key, const char* ValueName, std::uint32_t Reserved,
                                std::uint32_t& Type, ByteArray& Data,
                                std::int32_t& ByteCount) override;
  std::int32_t RegCloseKey(RegKey Key) override;

  // Tracking. Every call is also added to the shared CallLog, if one was
  // given, as "<function> <detail>".
  struct Call {
    std::string function;  // "RegOpenKeyExA", "RegOpenKeyA", "RegQueryValueExA", "RegCloseKey"
    std::string key;       // the key the call was made on: "HKLM" or its full path, e.g. "HKLM\SYSTEM\CurrentControlSet"
    std::string argument;  // the subkey path or value name as passed (up to its zero byte); empty for a close
    std::int32_t byteCountIn = 0;   // queries only
    std::int32_t byteCountOut = 0;  // queries only
    std::int32_t result = 0;
    RegKey handle = 0;  // the handle opened (opens) or passed (closes)
  };
  const std::vector<Call>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

  // Handles opened and not yet closed.
  std::vector<RegKey> OpenHandles() const;
  // Closes of a handle that was not open (already closed or never opened).
  int invalidCloses() const { return invalidCloses_; }
  // Full path (stored letter case, "HKLM\..." ) of an open handle, or "" if not open.
  std::string PathOf(RegKey key) const;

 private:
  struct Node;
  Node* Resolve(RegKey key) const;
  std::int32_t Open(const char* function, RegKey key, const char* subKey, RegKey& result);
  void Record(Call call);

  std::unique_ptr<Node> root_;
  std::map<RegKey, Node*> handles_;
  RegKey nextHandle_ = 0x100;
  std::vector<Call> calls_;
  CallLog* log_;
  int invalidCloses_ = 0;
};

}  // namespace tervane
