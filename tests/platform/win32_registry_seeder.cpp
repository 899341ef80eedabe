// Seeds Wine's real registry for the contract suite, through handles of its own.
#include <windows.h>

#include <stdexcept>

#include "platform/win32/win32_seams.h"
#include "registry_seeder.h"

namespace tervane {
namespace {

void Check(LONG result, const char* what, const std::string& path) {
  if (result != ERROR_SUCCESS) {
    throw std::runtime_error(std::string(what) + " " + path + " failed: " + std::to_string(result));
  }
}

HKEY CreateKey(const std::string& path) {
  HKEY key = nullptr;
  Check(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr),
        "RegCreateKeyExA", path);
  return key;
}

// RegDeleteKeyA refuses a key that has subkeys, so they go first.
void DeleteTree(HKEY parent, const std::string& name) {
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return;
  Check(opened, "RegOpenKeyExA", name);
  char child[256];
  DWORD length = sizeof child;
  while (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS) {
    DeleteTree(key, child);
    length = sizeof child;
  }
  RegCloseKey(key);
  Check(RegDeleteKeyA(parent, name.c_str()), "RegDeleteKeyA", name);
}

class Win32RegistrySeeder final : public RegistrySeeder {
 public:
  Registry& registry() override { return registry_; }

  void AddKey(const std::string& path) override { RegCloseKey(CreateKey(path)); }

  void SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& bytes) override {
    // RegSetValueExA counts a string's terminating zero in when the caller
    // left it out but one follows in memory; a non-zero guard byte after the
    // data keeps the size exactly as given.
    std::vector<BYTE> data(bytes.begin(), bytes.end());
    data.push_back(0xFF);
    const HKEY key = CreateKey(path);
    const LONG result =
        RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    Check(result, "RegSetValueExA", path + " " + name);
  }

  void DeleteKey(const std::string& path) override { DeleteTree(HKEY_LOCAL_MACHINE, path); }

 private:
  Win32Registry registry_;
};

}  // namespace

std::unique_ptr<RegistrySeeder> MakeRegistrySeeder() {
  return std::make_unique<Win32RegistrySeeder>();
}

}  // namespace tervane
