// The message box of an error that ends the program, tried a second time without an owner.
#include "app/win32/fatal_message.h"

#include "app/frmMain_layout.h"

namespace tervane {
namespace {

int MessageBoxOwnedBy(HWND owner, const char* message) {
  const UINT alone = owner == nullptr ? MB_SETFOREGROUND | MB_TASKMODAL : 0;
  return MessageBoxA(owner, message, layout::kTitle, MB_OK | MB_ICONERROR | alone);
}

}  // namespace

void ShowFatalMessage(HWND owner, const char* message) noexcept {
  if (MessageBoxOwnedBy(owner, message) == 0) MessageBoxOwnedBy(nullptr, message);
}

}  // namespace tervane
