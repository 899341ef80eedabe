// The message box of an error that ends the program.
#pragma once

#include <windows.h>

namespace tervane {

// Shows the message with the program's title and the error icon, owned by
// owner or, with nullptr, by no window (then brought to the front, the
// program's windows kept from input while it is up). Should Windows fail to
// show it, it is tried once more without an owner. Needs no memory.
void ShowFatalMessage(HWND owner, const char* message) noexcept;

}  // namespace tervane
