// Seeds the in-memory registry for the contract suite.
#include "registry_seeder.h"
#include "support/memory_registry.h"

namespace tervane {
namespace {

class MemoryRegistrySeeder final : public RegistrySeeder {
 public:
  Registry& registry() override { return registry_; }
  void AddKey(const std::string& path) override { registry_.AddKey(path); }
  void SetValue(const std::string& path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& bytes) override {
    registry_.SetValue(path, name, type, bytes);
  }
  void DeleteKey(const std::string& path) override { registry_.DeleteKey(path); }

 private:
  MemoryRegistry registry_;
};

}  // namespace

std::unique_ptr<RegistrySeeder> MakeRegistrySeeder() {
  return std::make_unique<MemoryRegistrySeeder>();
}

}  // namespace tervane
