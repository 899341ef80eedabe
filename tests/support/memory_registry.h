// In-memory stand-in for the registry: a key tree under HKEY_LOCAL_MACHINE with handle tracking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "support/call_log.h"

namespace tervane {

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

// Further results the registry gives, which the lookups treat as any failure.
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorAccessDenied = 5;
constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorInvalidParameter = 87;
constexpr std::int32_t kErrorBadPathname = 161;
constexpr std::int32_t kErrorKeyDeleted = 1018;

// The ANSI open functions convert the path through a buffer of this many
// characters; a longer path is refused with 234 before anything is looked up.
constexpr std::size_t kMaxSubKeyPathBytes = 260;

// Behaves as the Windows registry does for the calls the lookups make (and
// as Wine's does, which the registry contract suite checks): key names match
// whatever their ASCII letter case, paths span levels and may end in one
// backslash, names are read up to their first zero byte, RegOpenKeyA with an
// empty path hands back the key it was given, closing HKEY_LOCAL_MACHINE is
// accepted, and a value that does not fit is refused with 234 and its size.
//
// Further behaviour, as Wine shows it:
// - Letter case is folded as code page 1252 folds it, so accented letters
//   match their capitals too (e9 matches c9, 9a matches 8a, ff matches 9f);
//   value names are matched the same way.
// - A path that starts with a backslash is refused with 161; empty components
//   elsewhere ("a\\\\b", "a\\\\") add no level.
// - RegOpenKeyA with an empty or null path returns the key it was given
//   without looking at it, whatever it is. RegOpenKeyExA with one opens a new
//   handle to the same key, except beneath HKEY_LOCAL_MACHINE, which it
//   returns itself.
// - A key deleted while a handle to it is open stays deleted for that handle
//   (1018 for queries and opens beneath it), even if the path is created
//   again; the handle is still closed with 0.
// - Queries need the query-value right: a key opened with an access mask
//   that lacks it (and no generic or maximum right) refuses them with 5.
//   RegOpenKeyA opens with the maximum access.
// - A query that fails with anything but 87 or 234 sets Type to REG_NONE and
//   leaves ByteCount and Data as they were; 234 sets Type and ByteCount and
//   leaves Data as it was. A non-zero Reserved is refused with 87, untouched.
// - A string value (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) stored without a
//   terminating zero is read with its own size, and a zero byte is written
//   after it when the buffer has room for one.
// - Only HKEY_LOCAL_MACHINE is held; every other handle that was not handed
//   out (other predefined roots included) is refused with 6, but a close of
//   any value with the top bit set, where the predefined roots lie, gives 0.
// Own choices: handles are never reused (0x100, 0x104, ...), each call
// finds its handle in constant time, and an open never writes Result when it
// fails.
class MemoryRegistry final : public Registry {
 public:
  explicit MemoryRegistry(CallLog* log = nullptr);
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  static constexpr RegKey kFirstHandle = 0x100;
  static constexpr RegKey kHandleStep = 4;

  // Seeding. Paths are relative to HKEY_LOCAL_MACHINE; missing levels are
  // created, empty components are skipped, and paths and names are cut at
  // their first zero byte, as the ANSI functions read them.
  void AddKey(const std::string& path);
  // Stores the text with its terminating zero byte, as REG_SZ.
  void SetString(const std::string& path, const std::string& name, const std::string& text);
  // Stores the bytes exactly as given.
  void SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& bytes);
  // Deletes the key with everything beneath it; a missing key is no error.
  // HKEY_LOCAL_MACHINE itself ("") cannot be deleted: std::invalid_argument.
  void DeleteKey(const std::string& path);

  // Failure injection: from now on every open that ends on the key (created
  // if missing), or every query of the value on it, returns result and
  // writes nothing, as a key or value that the caller may not read would.
  void FailOpen(const std::string& path, std::int32_t result);
  void FailQuery(const std::string& path, const std::string& name, std::int32_t result);

  // Registry.
  std::int32_t RegOpenKeyExA(RegKey Key, const char* SubKey, std::uint32_t Options,
                             std::uint32_t Desired, RegKey& Result) override;
  std::int32_t RegOpenKeyA(RegKey Key, const char* SubKey, RegKey& Result) override;
  std::int32_t RegQueryValueExA(RegKey Key, const char* ValueName, std::uint32_t Reserved,
                                std::uint32_t& Type, ByteArray& Data,
                                std::int32_t& ByteCount) override;
  std::int32_t RegCloseKey(RegKey Key) override;

  // Tracking. Every call is also added by its name to the shared CallLog, if
  // one was given.
  struct Call {
    std::string function;  // "RegOpenKeyExA", "RegOpenKeyA", "RegQueryValueExA", "RegCloseKey"
    std::string key;       // the key the call was made on: "HKLM" or its full path, e.g.
                           // "HKLM\SYSTEM\CurrentControlSet"; "" if not open
    std::string argument;  // the subkey path or value name as passed (up to its zero byte); empty
                           // for a close
    std::int32_t byteCountIn = 0;   // queries only
    std::int32_t byteCountOut = 0;  // queries only
    std::int32_t result = 0;
    RegKey handle = 0;  // the handle opened (opens) or passed (closes)
  };
  const std::vector<Call>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }

  // Each handle handed out, in order, with the closes made on it.
  struct Opening {
    RegKey handle;
    std::string path;  // as PathOf() gave it while open
    int closeCalls = 0;
    bool open = true;
  };
  const std::vector<Opening>& openings() const { return openings_; }
  // True when every handle handed out got exactly one close and no close was
  // made on a handle that was not open.
  bool EachOpenedClosedOnce() const;

  // Handles opened and not yet closed, in the order they were opened.
  std::vector<RegKey> OpenHandles() const;
  // Closes refused with 6: of a handle that was not open (already closed or never opened).
  int invalidCloses() const { return invalidCloses_; }
  // Full path (stored letter case, "HKLM\..." ) of an open handle, or "" if not open.
  std::string PathOf(RegKey key) const;

 private:
  struct Node;
  struct Handle {
    Node* node;
    bool mayQuery;
  };
  struct Target {
    std::int32_t result;
    Node* node;
  };

  Node* FindNode(const std::string& path) const;
  Node* MakeNode(const std::string& path);
  // The open handle or HKEY_LOCAL_MACHINE behind the key, in constant time;
  // nullptr otherwise.
  const Handle* Resolve(RegKey key) const;
  // The slot of a handle that is open; -1 otherwise.
  std::ptrdiff_t OpenSlot(RegKey key) const;
  Target Walk(RegKey key, const std::string& subKey) const;
  std::int32_t Open(const char* function, RegKey key, const char* subKey, bool mayQuery,
                    bool emptyReturnsKey, RegKey& result);
  std::int32_t Query(const Handle* handle, const std::string& name, std::uint32_t& type,
                     ByteArray& data, std::int32_t& byteCount) const;
  RegKey NewHandle(Node* node, bool mayQuery);
  std::int32_t Record(const Call& call);

  std::unique_ptr<Node> root_;
  // HKEY_LOCAL_MACHINE carries every right.
  Handle rootHandle_;
  // Deleted keys live on here, for the handles that still point at them.
  std::vector<std::unique_ptr<Node>> deleted_;
  // Both indexed by (handle - kFirstHandle) / kHandleStep.
  std::vector<Opening> openings_;
  std::vector<Handle> handles_;
  std::vector<Call> calls_;
  CallLog* log_;
  int invalidCloses_ = 0;
};

}  // namespace tervane
