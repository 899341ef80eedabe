// Functions of a loaded DLL looked up by name at run time: what old Windows lack, usbdongle.dll.
#pragma once

#include <windows.h>

namespace tervane {

// The one untyped function pointer: GCC lets any function pointer type
// become this one, and this one become any other, without
// -Wcast-function-type, whose FARPROC differs between i686 and x86_64.
using AnyFunction = void (*)();

// GetProcAddress; nullptr when the module is null or lacks the name.
AnyFunction FunctionAddress(HMODULE module, const char* name);

// The named function of a loaded module, as its own type, or nullptr.
template <typename Function>
Function LookUpFunction(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(FunctionAddress(module, name));
}

// The same for a system DLL every process has loaded (kernel32.dll, user32.dll).
template <typename Function>
Function LookUpSystemFunction(const char* moduleName, const char* name) {
  return LookUpFunction<Function>(GetModuleHandleA(moduleName), name);
}

}  // namespace tervane
