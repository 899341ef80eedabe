// The in-memory registry: keys matched as code page 1252 folds case, walked level by level, logged.
#include "support/memory_registry.h"

#include <algorithm>
#include <stdexcept>

namespace tervane {
namespace {

constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kMaximumAllowed = 0x02000000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericRead = 0x80000000;
// Closing a value in the predefined roots' range (top bit set) is accepted, whatever it is.
constexpr RegKey kPredefinedRange = 0x80000000u;
constexpr std::uint32_t kQueryRights =
    kKeyQueryValue | kMaximumAllowed | kGenericAll | kGenericExecute | kGenericRead;

// The upper-case form of a byte of code page 1252, as Unicode maps the
// character: ASCII a-z, the accented letters e0-fe (but f7, the division
// sign), and the three letters whose capitals lie in 80-9f.
unsigned char UpperCp1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A:
      return 0x8A;
    case 0x9C:
      return 0x8C;
    case 0x9E:
      return 0x8E;
    case 0xFF:
      return 0x9F;
    default:
      return c;
  }
}

std::string Folded(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) c = static_cast<char>(UpperCp1252(static_cast<unsigned char>(c)));
  return folded;
}

// The text as the ANSI functions read it: up to the first zero byte.
std::string UpToZero(const std::string& text) { return text.substr(0, text.find('\0')); }
std::string UpToZero(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}

// The components of a path, empty ones (doubled or trailing backslashes) skipped.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

}  // namespace

struct MemoryRegistry::Node {
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  };

  std::string path;  // "HKLM\..." in the letter case the levels were created with
  bool deleted = false;
  std::int32_t openFailure = kErrorSuccess;
  std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
  std::map<std::string, Value> values;                    // by folded name
  std::map<std::string, std::int32_t> queryFailures;      // by folded name

  Node* Child(const std::string& name) const {
    const auto found = children.find(Folded(name));
    return found != children.end() ? found->second.get() : nullptr;
  }

  void MarkDeleted() {
    deleted = true;
    for (auto& child : children) child.second->MarkDeleted();
  }
};

MemoryRegistry::MemoryRegistry(CallLog* log)
    : root_(std::make_unique<Node>()), rootHandle_{root_.get(), true}, log_(log) {
  root_->path = "HKLM";
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::FindNode(const std::string& path) const {
  Node* node = root_.get();
  for (const auto& part : Components(UpToZero(path))) {
    node = node->Child(part);
    if (node == nullptr) return nullptr;
  }
  return node;
}

MemoryRegistry::Node* MemoryRegistry::MakeNode(const std::string& path) {
  Node* node = root_.get();
  for (const auto& part : Components(UpToZero(path))) {
    auto& slot = node->children[Folded(part)];
    if (!slot) {
      slot = std::make_unique<Node>();
      slot->path = node->path + "\\" + part;
    }
    node = slot.get();
  }
  return node;
}

void MemoryRegistry::AddKey(const std::string& path) { MakeNode(path); }

void MemoryRegistry::SetString(const std::string& path, const std::string& name,
                               const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  SetValue(path, name, kRegSz, bytes);
}

void MemoryRegistry::SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                              const std::vector<std::uint8_t>& bytes) {
  MakeNode(path)->values[Folded(UpToZero(name))] = Node::Value{type, bytes};
}

void MemoryRegistry::DeleteKey(const std::string& path) {
  const auto parts = Components(UpToZero(path));
  if (parts.empty()) throw std::invalid_argument("HKEY_LOCAL_MACHINE cannot be deleted");
  Node* parent = root_.get();
  for (std::size_t i = 0; i + 1 < parts.size() && parent != nullptr; ++i) {
    parent = parent->Child(parts[i]);
  }
  if (parent == nullptr) return;
  const auto found = parent->children.find(Folded(parts.back()));
  if (found == parent->children.end()) return;
  found->second->MarkDeleted();
  deleted_.push_back(std::move(found->second));
  parent->children.erase(found);
}

void MemoryRegistry::FailOpen(const std::string& path, std::int32_t result) {
  MakeNode(path)->openFailure = result;
}

void MemoryRegistry::FailQuery(const std::string& path, const std::string& name,
                               std::int32_t result) {
  MakeNode(path)->queryFailures[Folded(UpToZero(name))] = result;
}

std::ptrdiff_t MemoryRegistry::OpenSlot(RegKey key) const {
  if (key < kFirstHandle || (key - kFirstHandle) % kHandleStep != 0) return -1;
  const std::size_t slot = (key - kFirstHandle) / kHandleStep;
  if (slot >= openings_.size() || !openings_[slot].open) return -1;
  return static_cast<std::ptrdiff_t>(slot);
}

const MemoryRegistry::Handle* MemoryRegistry::Resolve(RegKey key) const {
  if (key == kHkeyLocalMachine) return &rootHandle_;
  const std::ptrdiff_t slot = OpenSlot(key);
  return slot >= 0 ? &handles_[static_cast<std::size_t>(slot)] : nullptr;
}

// The checks come in the order Wine makes them: the handle, the deleted key,
// the path's syntax, then each level.
MemoryRegistry::Target MemoryRegistry::Walk(RegKey key, const std::string& subKey) const {
  const Handle* handle = Resolve(key);
  if (handle == nullptr) return {kErrorInvalidHandle, nullptr};
  if (handle->node->deleted) return {kErrorKeyDeleted, nullptr};
  if (!subKey.empty() && subKey.front() == '\\') return {kErrorBadPathname, nullptr};
  Node* node = handle->node;
  for (const auto& part : Components(subKey)) {
    node = node->Child(part);
    if (node == nullptr) return {kErrorFileNotFound, nullptr};
  }
  if (node->openFailure != kErrorSuccess) return {node->openFailure, nullptr};
  return {kErrorSuccess, node};
}

RegKey MemoryRegistry::NewHandle(Node* node, bool mayQuery) {
  const RegKey handle = kFirstHandle + kHandleStep * static_cast<RegKey>(openings_.size());
  handles_.push_back(Handle{node, mayQuery});
  openings_.push_back(Opening{handle, node->path});
  return handle;
}

std::int32_t MemoryRegistry::Open(const char* function, RegKey key, const char* subKey,
                                  bool mayQuery, bool emptyReturnsKey, RegKey& result) {
  Call call{function, PathOf(key), UpToZero(subKey)};
  if (call.argument.empty() && emptyReturnsKey) {
    // RegOpenKeyA hands the key back without looking at it.
    call.handle = result = key;
    return Record(call);
  }
  if (call.argument.size() > kMaxSubKeyPathBytes) {
    call.result = kErrorMoreData;
    return Record(call);
  }
  const Target target = Walk(key, call.argument);
  call.result = target.result;
  if (target.node == nullptr) return Record(call);
  call.handle = target.node == root_.get() ? kHkeyLocalMachine : NewHandle(target.node, mayQuery);
  result = call.handle;
  return Record(call);
}

std::int32_t MemoryRegistry::RegOpenKeyExA(RegKey Key, const char* SubKey, std::uint32_t,
                                           std::uint32_t Desired, RegKey& Result) {
  return Open("RegOpenKeyExA", Key, SubKey, (Desired & kQueryRights) != 0, false, Result);
}

std::int32_t MemoryRegistry::RegOpenKeyA(RegKey Key, const char* SubKey, RegKey& Result) {
  return Open("RegOpenKeyA", Key, SubKey, true, true, Result);
}

std::int32_t MemoryRegistry::Query(const Handle* handle, const std::string& name,
                                   std::uint32_t& type, ByteArray& data,
                                   std::int32_t& byteCount) const {
  if (handle == nullptr) return kErrorInvalidHandle;
  const Node& node = *handle->node;
  if (node.deleted) return kErrorKeyDeleted;
  if (!handle->mayQuery) return kErrorAccessDenied;
  const std::string folded = Folded(name);
  if (const auto failure = node.queryFailures.find(folded); failure != node.queryFailures.end()) {
    return failure->second;
  }
  const auto found = node.values.find(folded);
  if (found == node.values.end()) return kErrorFileNotFound;
  const auto& bytes = found->second.bytes;
  const auto size = static_cast<std::int32_t>(bytes.size());
  type = found->second.type;
  if (size > byteCount) {
    byteCount = size;
    return kErrorMoreData;
  }
  std::copy(bytes.begin(), bytes.end(), data.data());
  // An unterminated string gets a zero after it where there is room, as
  // RegQueryValueExA gives one; the count stays the size stored.
  if (IsStringType(type) && size > 0 && size < byteCount && bytes.back() != 0) data.at(size) = 0;
  byteCount = size;
  return kErrorSuccess;
}

std::int32_t MemoryRegistry::RegQueryValueExA(RegKey Key, const char* ValueName,
                                              std::uint32_t Reserved, std::uint32_t& Type,
                                              ByteArray& Data, std::int32_t& ByteCount) {
  Call call{"RegQueryValueExA", PathOf(Key), UpToZero(ValueName)};
  call.byteCountIn = ByteCount;
  if (Reserved != 0 || ByteCount < 0 || ByteCount > Data.size()) {
    call.result = kErrorInvalidParameter;
  } else {
    call.result = Query(Resolve(Key), call.argument, Type, Data, ByteCount);
    if (call.result != kErrorSuccess && call.result != kErrorMoreData) Type = kRegNone;
  }
  call.byteCountOut = ByteCount;
  return Record(call);
}

std::int32_t MemoryRegistry::RegCloseKey(RegKey Key) {
  Call call{"RegCloseKey", PathOf(Key), ""};
  call.handle = Key;
  if (const std::ptrdiff_t slot = OpenSlot(Key); slot >= 0) {
    Opening& opening = openings_[static_cast<std::size_t>(slot)];
    ++opening.closeCalls;
    opening.open = false;
  } else if ((Key & kPredefinedRange) == 0) {
    ++invalidCloses_;
    call.result = kErrorInvalidHandle;
  }
  return Record(call);
}

std::int32_t MemoryRegistry::Record(const Call& call) {
  calls_.push_back(call);
  if (log_ != nullptr) log_->Add(call.function);
  return call.result;
}

bool MemoryRegistry::EachOpenedClosedOnce() const {
  return invalidCloses_ == 0 && std::all_of(openings_.begin(), openings_.end(),
                                            [](const Opening& o) { return o.closeCalls == 1; });
}

std::vector<RegKey> MemoryRegistry::OpenHandles() const {
  std::vector<RegKey> open;
  for (const auto& opening : openings_) {
    if (opening.open) open.push_back(opening.handle);
  }
  return open;
}

std::string MemoryRegistry::PathOf(RegKey key) const {
  const Handle* handle = Resolve(key);
  return handle != nullptr ? handle->node->path : std::string();
}

}  // namespace tervane
