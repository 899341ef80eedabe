// The main window's Win32 side: class, controls in twips at the window's DPI, messages, keyboard.
#include "app/win32/main_window.h"

#include "app/frmMain_layout.h"
#include "app/win32/dpi.h"
#include "app/win32/fatal_message.h"
#include "app/win32/resource_ids.h"
#include "platform/runtime_error.h"

namespace tervane {
namespace {

constexpr const char* kClassName = "TervaneMain";

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

bool FrameAt(int dpiX, int dpiY, RECT& frame) {
  return FrameForClient(TwipsToPixels(layout::kClientWidth, dpiX),
                        TwipsToPixels(layout::kClientHeight, dpiY), kWindowStyle, kWindowExStyle,
                        dpiY, frame);
}

// Without its icon or cursor the window still works: Windows draws its own.
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

bool Resize(HWND window, int width, int height) {
  return SetWindowPos(window, nullptr, 0, 0, width, height,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

[[noreturn]] void Fail(const char* what) {
  throw RuntimeError::SystemCallFailed(what, GetLastError());
}

}  // namespace

MainWindow* MainWindow::current_ = nullptr;

void Win32Label::Attach(HWND control, AnnotationService& annotations) {
  control_ = control;
  caption_ = layout::kInitialCaption;
  liveRegion_.Attach(control, annotations);
}

void Win32Label::SetCaption(const std::string& text) {
  if (!SetWindowTextA(control_, text.c_str())) Fail("Can't set the text of the status label");
  caption_ = text;
  if (!SizeTo(text)) Fail("Can't size the status label to its text");
  liveRegion_.TextChanged();
}

bool Win32Label::Refit() { return SizeTo(caption_); }

bool Win32Label::SizeTo(const std::string& text) {
  HDC dc = GetDC(control_);
  if (dc == nullptr) return false;
  // Measured with the label's own font, as the static control draws it.
  auto font = reinterpret_cast<HFONT>(SendMessageA(control_, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  RECT extent = {0, 0, 0, 0};
  const bool measured = (font == nullptr || previous != nullptr) &&
                        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &extent,
                                  DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS) != 0;
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(control_, dc);
  return measured && Resize(control_, extent.right - extent.left, extent.bottom - extent.top);
}

MainWindow::MainWindow(HINSTANCE instance, IAccPropServices* annotations)
    : instance_(instance), annotations_(annotations), font_(GuiFontMaker(SystemDpi())) {}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (current_ == this) current_ = nullptr;
}

void MainWindow::Create() {
  if (!RegisterWindowClass(instance_, WindowProc)) Fail("Can't register the main window's class");
  // Sized for the system DPI first; WM_CREATE learns the DPI of the monitor
  // Windows placed the window on, and a window that opens at another DPI is
  // sized for that one.
  const int systemDpi = SystemDpi();
  RECT frame;
  if (!FrameAt(systemDpi, systemDpi, frame)) Fail("Can't size the main window");
  current_ = this;
  // WM_NCCREATE stores the handle already, for the messages sent during
  // creation; a creation that fails after it leaves nullptr here.
  window_ = CreateWindowExA(kWindowExStyle, kClassName, layout::kTitle, kWindowStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, instance_, nullptr);
  if (window_ == nullptr) Fail("Can't create the main window and its controls");
  if (dpiX_ != systemDpi || dpiY_ != systemDpi) {
    if (!FrameAt(dpiX_, dpiY_, frame) ||
        !Resize(window_, frame.right - frame.left, frame.bottom - frame.top)) {
      Fail("Can't size the main window");
    }
  }
}

void MainWindow::Show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetFocus(cmdRefresh_);
  // The window is on the screen already: should the message not go, the
  // result is announced at once.
  if (!PostMessageA(window_, kAnnounceFirstResult, 0, 0)) OnShown();
}

int MainWindow::RunMessageLoop() {
  MSG message;
  // GetMessageA gives -1 on an error and 0 on WM_QUIT.
  for (BOOL got; (got = GetMessageA(&message, nullptr, 0, 0)) != 0;) {
    // Once the window is gone, only WM_QUIT, which ends the loop, is left to read.
    if (got == -1 && window_ == nullptr) break;
    if (got == -1) Fail("Can't read the window's messages");
    // The dialog manager gives the buttons Tab, Space and Enter.
    if (window_ != nullptr && IsDialogMessageA(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return exitCode_;
}

void MainWindow::ShowFatalError(const char* message) noexcept {
  // Owned by the window once it is on the screen; before that the box stands alone.
  ShowFatalMessage(window_ != nullptr && IsWindowVisible(window_) ? window_ : nullptr, message);
}

void MainWindow::EndProgram(int exitCode) {
  exitCode_ = exitCode;
  // Torn down without WM_CLOSE, so the unload step does not run.
  if (window_ != nullptr) {
    Destroy();
  } else {
    PostQuitMessage(exitCode);
  }
}

void MainWindow::Destroy() {
  if (!DestroyWindow(window_)) PostQuitMessage(exitCode_);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = current_;
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCCREATE) self->window_ = window;
  if (message == WM_NCDESTROY) {
    self->window_ = nullptr;
    current_ = nullptr;
  }
  return self->Handle(window, message, wParam, lParam);
}

// Unpacks each message the window handles into its On... call.
LRESULT MainWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
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

void MainWindow::OnCommand(WORD id, WORD notification, HWND control) {
  if (notification == BN_SETFOCUS) return OnButtonFocused(control);
  // With BS_NOTIFY the second press of a double click comes as BN_DOUBLECLICKED.
  // IDCANCEL from Esc lands here too, and does nothing.
  if (form_ == nullptr || (notification != BN_CLICKED && notification != BN_DOUBLECLICKED)) return;
  if (id == kIdRefresh) form_->RefreshClicked();
  if (id == kIdQuit) form_->QuitClicked();
}

// As in a dialog, the focused push button is the default one: it alone looks
// it, and Enter presses it. Only the type bits change; BS_NOTIFY stays.
void MainWindow::OnButtonFocused(HWND button) {
  for (HWND each : {cmdRefresh_, cmdQuit_}) {
    const DWORD type = each == button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    SendMessageA(each, BM_SETSTYLE, (kButtonStyle & 0xFFFF & ~BS_TYPEMASK) | type, TRUE);
  }
}

void MainWindow::OnShown() { label1_.Announce(); }

// The dialog manager asks which button Enter presses: the focused one.
LRESULT MainWindow::OnGetDefaultId() {
  HWND focus = GetFocus();
  if (focus == cmdRefresh_) return MAKELRESULT(kIdRefresh, DC_HASDEFID);
  if (focus == cmdQuit_) return MAKELRESULT(kIdQuit, DC_HASDEFID);
  return 0;
}

// Once the form is gone (an error is being reported) the window stays.
void MainWindow::OnClose() {
  if (form_ != nullptr && form_->Closing()) Destroy();
}

// A window that was never made whole ends no message loop: none runs yet,
// and the error box that reports it runs one of its own.
void MainWindow::OnDestroy() {
  label1_.Detach();
  if (created_) PostQuitMessage(exitCode_);
}

// Windows ends the logon once every program has answered; this is the last
// chance to release the bridge.
void MainWindow::OnEndSession(bool ending) {
  if (ending && form_ != nullptr && form_->Closing()) Destroy();
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

// A layout that fails here leaves the controls as they were at the former DPI.
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
  HWND label = CreateControl("STATIC", layout::kInitialCaption, kLabelStyle, kIdLabel1);
  if (cmdQuit_ == nullptr || cmdRefresh_ == nullptr || label == nullptr) return false;
  label1_.Attach(label, annotations_);
  // Tab order follows the order of the children: Refresh first, then Quit.
  if (!LayOutControls() ||
      !SetWindowPos(cmdRefresh_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE)) {
    return false;
  }
  savedFocus_ = cmdRefresh_;
  created_ = true;
  return true;
}

HWND MainWindow::CreateControl(const char* className, const char* text, DWORD style, int id) {
  return CreateWindowExA(0, className, text, style, 0, 0, 0, 0, window_,
                         reinterpret_cast<HMENU>(id), instance_, nullptr);
}

// The label keeps the width of its text; only its place comes from the layout.
bool MainWindow::LayOutControls() {
  const struct {
    HWND control;
    TwipsRect place;
  } controls[] = {{cmdQuit_, layout::kCmdQuit},
                  {cmdRefresh_, layout::kCmdRefresh},
                  {label1_.control(), layout::kLabel1}};
  bool placed = true;
  font_.SwitchTo(dpiY_, [&](HFONT font) {
    for (const auto& c : controls) {
      const PixelRect pixels = ToPixels(c.place, dpiX_, dpiY_);
      placed = SetWindowPos(c.control, nullptr, pixels.left, pixels.top, pixels.width,
                            pixels.height, SWP_NOZORDER | SWP_NOACTIVATE) != FALSE &&
               placed;
      SendMessageA(c.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
  });
  return label1_.Refit() && placed;
}

}  // namespace tervane
