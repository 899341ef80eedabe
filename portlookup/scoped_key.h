// A registry key closed exactly once, when its scope ends, whether normally or by an error.
#pragma once

#include "platform/registry.h"

namespace tervane {

class ScopedKey {
 public:
  explicit ScopedKey(Registry& registry) : registry_(registry) {}
  ScopedKey(Registry& registry, RegKey key) : registry_(registry), key_(key), open_(true) {}
  ~ScopedKey();
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  // The out-parameter for an open call; Opened() then records its result.
  RegKey& Slot() { return key_; }
  bool Opened(std::int32_t result);
  RegKey get() const { return key_; }

 private:
  Registry& registry_;
  RegKey key_ = 0;
  bool open_ = false;
};

}  // namespace tervane
