// Seeds the registry the contract suite runs against: the in-memory tree, or Wine's real registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "support/memory_registry.h"  // the value types and result codes

namespace tervane {

// Paths are relative to HKEY_LOCAL_MACHINE. The real registry is written
// through handles of its own, never through the Registry under test.
class RegistrySeeder {
 public:
  virtual ~RegistrySeeder() = default;

  // The registry under test.
  virtual Registry& registry() = 0;

  // Creates the key and any missing levels above it.
  virtual void AddKey(const std::string& path) = 0;
  // Stores exactly these bytes with this type, creating the key if needed.
  virtual void SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                        const std::vector<std::uint8_t>& bytes) = 0;
  // Deletes the key and everything beneath it; a missing key is no error.
  virtual void DeleteKey(const std::string& path) = 0;

  // The text and its terminating zero, as REG_SZ.
  void SetString(const std::string& path, const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    SetValue(path, name, kRegSz, bytes);
  }
};

// The seeder for this build's registry.
std::unique_ptr<RegistrySeeder> MakeRegistrySeeder();

}  // namespace tervane
