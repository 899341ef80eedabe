// The DPI functions of Windows 10, looked up at run time, with the older ways where they are
// missing.
#include "app/win32/dpi.h"

#include "platform/win32/run_time_function.h"

namespace tervane {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return USER_DEFAULT_SCREEN_DPI;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

int WindowDpi(HWND window) {
  static const auto getDpiForWindow =
      LookUpSystemFunction<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
  const UINT dpi = getDpiForWindow != nullptr ? getDpiForWindow(window) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : SystemDpi();
}

bool FrameForClient(int width, int height, DWORD style, DWORD exStyle, int dpi, RECT& frame) {
  static const auto adjustForDpi =
      LookUpSystemFunction<AdjustWindowRectExForDpiFn>("user32.dll", "AdjustWindowRectExForDpi");
  frame = {0, 0, width, height};
  if (adjustForDpi != nullptr && adjustForDpi(&frame, style, FALSE, exStyle, dpi)) return true;
  frame = {0, 0, width, height};
  return AdjustWindowRectEx(&frame, style, FALSE, exStyle) != FALSE;
}

}  // namespace tervane
