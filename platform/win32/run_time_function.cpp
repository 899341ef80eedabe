// The program's one GetProcAddress.
#include "platform/win32/run_time_function.h"

namespace tervane {

AnyFunction FunctionAddress(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<AnyFunction>(GetProcAddress(module, name));
}

}  // namespace tervane
