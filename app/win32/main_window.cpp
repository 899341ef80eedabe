// The main window's Win32 side: class, controls in twips at the window's DPI, messages, keyboard.
#include "app/win32/main_window.h"

#include "app/frmMain_layout.h"
#include "app/win32/dpi.h"
#include "app/win32/resource_ids.h"
#include "platform/runtime_error.h"

namespace tervane {
namespace {

constexpr const char* kClassName = "TervaneMain";
constexpr const char* kTitle = "Tervane";

// A thin fixed frame with a system menu and no minimize or maximize box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kWindowExStyle = 0;

// IsDialogMessageA turns Esc into WM_COMMAND IDCANCEL (2), and Enter into
// IDOK (1) where the window names no default button, so no control may carry
// either ID.
constexpr WORD kIdQuit = 101;
constexpr WORD kIdRefresh = 102;
constexpr WORD kIdLabel1 = 103;

// BS_NOTIFY: a button tells the window when it takes the focus.
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX;

// Posted by Show: the label's first result is announced once the window is on the screen.
constexpr UINT kAnnounceFirstResult = WM_APP;

RECT FrameAt(int dpiX, int dpiY) {
  return FrameForClient(TwipsToPixels(layout::kClientWidth, dpiX),
                        TwipsToPixels(layout::kClientHeight, dpiY), kWindowStyle, kWindowExStyle,
                        dpiY);
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC windowProc) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(TERVANE_PROGRAM_ICON));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  return RegisterClassA(&windowClass) != 0;
}

}  // namespace

void Win32Label::Attach(HWND control, AnnotationService& annotations) {
  control_ = control;
  liveRegion_.Attach(control, annotations);
}

void Win32Label::SetCaption(const std::string& text) {
  if (!SetWindowTextA(control_, text.c_str())) {
    throw RuntimeError::SystemCallFailed("Can't set the text of the status label", GetLastError());
  }
  SizeTo(text);
  liveRegion_.TextChanged();
}

void Win32Label::Refit() {
  char text[256] = {};
  GetWindowTextA(control_, text, sizeof text);
  SizeTo(text);
}

void Win32Label::SizeTo(const std::string& text) {
  HDC dc = GetDC(control_);
  if (dc == nullptr) return;
  // Measured with the label's own font, as the static control draws it.
  auto font = reinterpret_cast<HFONT>(SendMessageA(control_, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  RECT extent = {0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(control_, dc);
  SetWindowPos(control_, nullptr, 0, 0, extent.right - extent.left, extent.bottom - extent.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

MainWindow::MainWindow(HINSTANCE instance, IAccPropServices* annotations)
    : instance_(instance), annotations_(annotations), font_(GuiFontMaker(SystemDpi())) {}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void MainWindow::Create(frmMain& form) {
  form_ = &form;
  if (!RegisterWindowClass(instance_, WindowProc)) {
    throw RuntimeError::SystemCallFailed("Can't register the main window's class", GetLastError());
  }
  // Sized for the system DPI first; WM_CREATE learns the DPI of the monitor
  // Windows placed the window on, and a window that opens at another DPI is
  // sized for that one.
  const int systemDpi = SystemDpi();
  const RECT frame = FrameAt(systemDpi, systemDpi);
  // WM_NCCREATE stores the handle already, for the messages sent during
  // creation; a creation that fails after it leaves nullptr here.
  window_ = CreateWindowExA(kWindowExStyle, kClassName, kTitle, kWindowStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, instance_, this);
  if (window_ == nullptr) {
    throw RuntimeError::SystemCallFailed("Can't create the main window and its controls",
                                         GetLastError());
  }
  if (dpiX_ != systemDpi || dpiY_ != systemDpi) {
    const RECT own = FrameAt(dpiX_, dpiY_);
    SetWindowPos(window_, nullptr, 0, 0, own.right - own.left, own.bottom - own.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MainWindow::Show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetFocus(cmdRefresh_);
  PostMessageA(window_, kAnnounceFirstResult, 0, 0);
}

int MainWindow::RunMessageLoop() {
  MSG message;
  // GetMessageA gives -1 on an error and 0 on WM_QUIT.
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // The dialog manager gives the buttons Tab, Space and Enter.
    if (window_ != nullptr && IsDialogMessageA(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return exitCode_;
}

void MainWindow::ShowFatalError(const std::string& message) {
  // Owned by the window once it is on the screen; before that the box stands alone.
  HWND owner = window_ != nullptr && IsWindowVisible(window_) ? window_ : nullptr;
  const UINT foreground = owner == nullptr ? MB_SETFOREGROUND : 0;
  MessageBoxA(owner, message.c_str(), kTitle, MB_OK | MB_ICONERROR | foreground);
}

void MainWindow::EndProgram(int exitCode) {
  exitCode_ = exitCode;
  // Torn down without WM_CLOSE, so the unload step does not run.
  if (window_ != nullptr) {
    DestroyWindow(window_);
  } else {
    PostQuitMessage(exitCode);
  }
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
  }
  return self->Handle(window, message, wParam, lParam);
}

// Unpacks each message the window handles into its On... call.
LRESULT MainWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam));
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case DM_GETDEFID:
      return OnGetDefaultId();
    case kAnnounceFirstResult:
      OnShown();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void MainWindow::OnCommand(WORD id, WORD notification) {
  if (notification == BN_SETFOCUS) return OnButtonFocused(id);
  // With BS_NOTIFY the second press of a double click comes as BN_DOUBLECLICKED.
  // IDCANCEL from Esc lands here too, and does nothing.
  if (notification != BN_CLICKED && notification != BN_DOUBLECLICKED) return;
  if (id == kIdRefresh) form_->RefreshClicked();
  if (id == kIdQuit) form_->QuitClicked();
}

// As in a dialog, the focused push button is the default one: it alone looks
// it, and Enter presses it.
void MainWindow::OnButtonFocused(WORD id) {
  for (HWND each : {cmdRefresh_, cmdQuit_}) {
    // Only the type bits change; BS_NOTIFY stays.
    const auto style = static_cast<DWORD>(GetWindowLongA(each, GWL_STYLE)) & 0xFFFF & ~BS_TYPEMASK;
    const bool focused = GetDlgCtrlID(each) == id;
    SendMessageA(each, BM_SETSTYLE, style | (focused ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
  }
}

void MainWindow::OnShown() { label1_.Announce(); }

// The dialog manager asks which button Enter presses: the focused one.
LRESULT MainWindow::OnGetDefaultId() {
  HWND focus = GetFocus();
  if (focus != cmdRefresh_ && focus != cmdQuit_) return 0;
  return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

void MainWindow::OnClose() {
  if (form_->Closing()) DestroyWindow(window_);
}

void MainWindow::OnDestroy() {
  label1_.Detach();
  PostQuitMessage(exitCode_);
}

// Windows ends the logon once every program has answered; this is the last
// chance to release the bridge.
void MainWindow::OnEndSession(bool ending) {
  if (ending && form_->Closing()) DestroyWindow(window_);
}

// As a dialog does: the button that had the focus gets it back.
void MainWindow::OnActivate(WORD state) {
  if (state == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus)) savedFocus_ = focus;
  } else if (savedFocus_ != nullptr) {
    SetFocus(savedFocus_);
  }
}

// The window itself never keeps the focus: it goes back to the button that had it.
void MainWindow::OnSetFocus() {
  if (savedFocus_ != nullptr) SetFocus(savedFocus_);
}

void MainWindow::OnDpiChanged(int dpiX, int dpiY, const RECT& suggested) {
  dpiX_ = dpiX;
  dpiY_ = dpiY;
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOutControls();
}

bool MainWindow::OnCreate() {
  dpiX_ = dpiY_ = WindowDpi(window_);
  cmdQuit_ = CreateControl("BUTTON", "Quit", kButtonStyle, kIdQuit);
  cmdRefresh_ = CreateControl("BUTTON", "Refresh", kButtonStyle, kIdRefresh);
  HWND label = CreateControl("STATIC", "COM Port:", kLabelStyle, kIdLabel1);
  if (cmdQuit_ == nullptr || cmdRefresh_ == nullptr || label == nullptr) return false;
  label1_.Attach(label, annotations_);
  LayOutControls();
  // Tab order follows the order of the children: Refresh first, then Quit.
  SetWindowPos(cmdRefresh_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  savedFocus_ = cmdRefresh_;
  return true;
}

HWND MainWindow::CreateControl(const char* className, const char* text, DWORD style, int id) {
  return CreateWindowExA(0, className, text, style, 0, 0, 0, 0, window_,
                         reinterpret_cast<HMENU>(id), instance_, nullptr);
}

// The label keeps the width of its text; only its place comes from the layout.
void MainWindow::LayOutControls() {
  const struct {
    HWND control;
    TwipsRect place;
  } controls[] = {{cmdQuit_, layout::kCmdQuit},
                  {cmdRefresh_, layout::kCmdRefresh},
                  {label1_.control(), layout::kLabel1}};
  font_.SwitchTo(dpiY_, [&](HFONT font) {
    for (const auto& c : controls) {
      const PixelRect pixels = ToPixels(c.place, dpiX_, dpiY_);
      SetWindowPos(c.control, nullptr, pixels.left, pixels.top, pixels.width, pixels.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageA(c.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
  });
  label1_.Refit();
}

}  // namespace tervane
