// A registry key closed exactly once: explicitly on the normal path, or when an error unwinds it.
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
  void Close();

 private:
  Registry& registry_;
  RegKey key_ = 0;
  bool open_ = false;
};

}  // namespace tervane
