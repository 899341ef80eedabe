// Closing registry keys on every path.
#include "portlookup/scoped_key.h"

namespace tervane {

// The close's result is ignored: nothing can be done about a key that will not close.
ScopedKey::~ScopedKey() {
  if (open_) registry_.RegCloseKey(key_);
}

bool ScopedKey::Opened(std::int32_t result) {
  open_ = result == kErrorSuccess;
  return open_;
}

}  // namespace tervane
