// Closing registry keys on every path.
#include "portlookup/scoped_key.h"

namespace tervane {

ScopedKey::~ScopedKey() { Close(); }

bool ScopedKey::Opened(std::int32_t result) {
  open_ = result == kErrorSuccess;
  return open_;
}

void ScopedKey::Close() {
  if (!open_) return;
  open_ = false;
  registry_.RegCloseKey(key_);
}

}  // namespace tervane
