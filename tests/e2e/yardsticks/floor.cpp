// The floor tervane.exe's size is measured against: a window, a label, two buttons, one exception.
//
// Built with the same toolchain, flags, C run-time and terminate handler as
// tervane.exe (tervane_windows_program), it is the least a program of this
// kind costs; the size budget holds tervane.exe within twice its size.
#include <windows.h>

#include <exception>

namespace {

class ScanError : public std::exception {
 public:
  const char* what() const noexcept override { return "caught ScanError"; }
};

// Opaque to the optimiser, so the throw and the catch stay in the program.
volatile int g_fail = 1;

__attribute__((noinline)) void Scan() {
  if (g_fail) throw ScanError();
}

int g_exitCode = 1;  // 42 once the exception has been caught

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(g_exitCode);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  const char* text = "no exception";
  try {
    Scan();
  } catch (const std::exception& e) {
    text = e.what();
    g_exitCode = 42;
  }
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "FloorWindow";
  if (RegisterClassA(&windowClass) == 0) return 2;
  HWND window =
      CreateWindowExA(0, "FloorWindow", "Floor", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                      CW_USEDEFAULT, CW_USEDEFAULT, 371, 110, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 3;
  // A control that cannot be made leaves the floor a little smaller, not wrong.
  const struct {
    const char* className;
    const char* text;
    DWORD style;
    int left;
    int id;
  } controls[] = {{"STATIC", text, 0, 8, 0},
                  {"BUTTON", "Refresh", WS_TABSTOP | BS_DEFPUSHBUTTON, 200, IDOK},
                  {"BUTTON", "Close", WS_TABSTOP | BS_PUSHBUTTON, 280, IDCANCEL}};
  for (const auto& c : controls) {
    if (CreateWindowExA(0, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, c.left, 16, 75, 23,
                        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance,
                        nullptr) == nullptr) {
      return 4;
    }
  }
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
