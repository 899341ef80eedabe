// Test driver: finds Tervane's window from outside, reads and works its controls and message boxes.
//   driver COMMAND [ARG] [, COMMAND [ARG]]...
//   driver serve
// Each command prints one or more lines; a command that fails prints
// "error: ..." and ends the driver with exit code 1. Timeouts are in ms.
// With "serve" the driver stays for a whole suite, one Windows process start
// instead of one per step: it reads lines from standard input, each a list
// of commands with their words separated by tabs, runs each line as it would
// its arguments, and ends each line's answer with "done 0", or "done 1" after
// the error.
// The program's own facts (its title, captions, probe cap and layout) come from
// its headers and layout code: "facts" and "layout" print them for the suite.
#include <windows.h>
// After windows.h, which they need.
#include <oleacc.h>
#include <tlhelp32.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frmMain_layout.h"
#include "discovery/cable_scan.h"
#include "discovery/captions.h"
#include "support/byte_text.h"

namespace {

constexpr const char* kMainClass = "TervaneMain";
constexpr const char* kTitle = tervane::layout::kTitle;
constexpr DWORD kDefaultTimeout = 15000;

struct Failure {
  std::string what;
};

[[noreturn]] void Fail(const std::string& what) { throw Failure{what}; }

DWORD TimeoutArg(const std::vector<std::string>& args) {
  return args.empty() ? kDefaultTimeout
                      : static_cast<DWORD>(std::strtoul(args[0].c_str(), nullptr, 10));
}

// Texts are printed escaped, blanks kept, so that every answer stays on one line.
std::string Escaped(const std::string& text) {
  return tervane::test::EscapeBytes(text, tervane::test::Blanks::Kept);
}

std::string TextOf(HWND window) {
  // WM_GETTEXT rather than GetWindowText, which does not ask a window of
  // another process.
  char text[1024] = {};
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &result);
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

HWND MainWindow() { return FindWindowA(kMainClass, kTitle); }

HWND RequireMain() {
  HWND window = MainWindow();
  if (window == nullptr) Fail("no main window");
  return window;
}

template <typename Condition>
bool WaitFor(DWORD timeout, Condition condition) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeout) return false;
    Sleep(50);
  }
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND Label(HWND main) {
  for (HWND child : Children(main)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0) return child;
  }
  Fail("no label");
}

HWND Button(HWND main, const std::string& caption) {
  for (HWND child : Children(main)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Button") == 0 && TextOf(child) == caption) return child;
  }
  Fail("no button " + caption);
}

// A control's rectangle relative to its parent's client area.
RECT PlaceOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The size the text takes in the font, measured here.
SIZE TextExtent(const std::string& text, HGDIOBJ font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  RECT extent = {0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  return {extent.right - extent.left, extent.bottom - extent.top};
}

SIZE TextExtent(const std::string& text) {
  return TextExtent(text, GetStockObject(DEFAULT_GUI_FONT));
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// The default GUI font as a window at another DPI should use it: the stock
// font's height at 96 dpi, scaled to that DPI and rounded as MulDiv rounds.
HFONT GuiFontAt(int dpi) {
  LOGFONTA font = {};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfHeight = MulDiv(MulDiv(font.lfHeight, 96, ScreenDpi()), dpi, 96);
  font.lfWidth = 0;
  return CreateFontIndirectA(&font);
}

HWND FocusOf(HWND main) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::string NameOf(HWND main, HWND window) {
  if (window == nullptr) return "none";
  if (window == main) return "window";
  const std::string text = TextOf(window);
  return text.empty() ? ClassOf(window) : text;
}

// A message box of the program: a dialog titled Tervane.
HWND MessageBoxWindow() { return FindWindowA("#32770", kTitle); }

// The box is found as soon as it exists; it is ready once it is shown with its text.
bool MessageBoxReady() {
  HWND box = MessageBoxWindow();
  if (box == nullptr || !IsWindowVisible(box)) return false;
  for (HWND child : Children(box)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 && !TextOf(child).empty()) return true;
  }
  return false;
}

void CmdWaitWindow(DWORD timeout) {
  if (!WaitFor(timeout, [] {
        HWND w = MainWindow();
        return w != nullptr && IsWindowVisible(w);
      })) {
    Fail("the main window did not appear");
  }
  std::printf("window visible\n");
}

void CmdMain() {
  HWND main = MainWindow();
  std::printf("main %s\n", main == nullptr ? "none" : IsWindowVisible(main) ? "visible" : "hidden");
}

void CmdWaitGone(DWORD timeout) {
  if (!WaitFor(timeout, [] { return MainWindow() == nullptr; })) Fail("the main window stayed");
  std::printf("window gone\n");
}

void CmdLabel() { std::printf("label %s\n", Escaped(TextOf(Label(RequireMain()))).c_str()); }

void CmdWaitLabel(const std::string& expected) {
  HWND label = Label(RequireMain());
  if (!WaitFor(kDefaultTimeout, [&] { return TextOf(label) == expected; })) {
    Fail("the label reads \"" + Escaped(TextOf(label)) + "\"");
  }
  std::printf("label %s\n", Escaped(expected).c_str());
}

void CmdGeometry() {
  HWND main = RequireMain();
  RECT client;
  GetClientRect(main, &client);
  std::printf("title %s\n", Escaped(TextOf(main)).c_str());
  std::printf("client %ld %ld\n", client.right, client.bottom);
  RECT frame;
  GetWindowRect(main, &frame);
  std::printf("frame %ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left,
              frame.bottom - frame.top);
  std::printf("style 0x%08lx\n", static_cast<unsigned long>(GetWindowLongA(main, GWL_STYLE)));
  std::printf("exstyle 0x%08lx\n", static_cast<unsigned long>(GetWindowLongA(main, GWL_EXSTYLE)));
  std::printf("menu %s\n", GetMenu(main) != nullptr ? "yes" : "no");
  HDC screen = GetDC(nullptr);
  std::printf("dpi %d %d\n", GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  // The children in their order, which is the tab order.
  int index = 0;
  for (HWND child : Children(main)) {
    const RECT r = PlaceOf(child);
    std::printf("control %d %s id=%d style=0x%08lx rect=%ld,%ld,%ld,%ld text=%s\n", index++,
                ClassOf(child).c_str(), GetDlgCtrlID(child),
                static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)), r.left, r.top,
                r.right - r.left, r.bottom - r.top, Escaped(TextOf(child)).c_str());
  }
  const SIZE extent = TextExtent(TextOf(Label(main)));
  std::printf("label-text-extent %ld %ld\n", extent.cx, extent.cy);
}

void CmdLabelExtentAt(int dpi) {
  HFONT font = GuiFontAt(dpi);
  const SIZE extent = TextExtent(TextOf(Label(RequireMain())), font);
  DeleteObject(font);
  std::printf("label-text-extent-at %ld %ld\n", extent.cx, extent.cy);
}

// One page at the same address in the program and here, holding the same
// bytes: whether or not the system copies WM_DPICHANGED's rectangle across
// processes (Wine hands the pointer on as it is), the program reads it.
void* MirrorPage(HANDLE process) {
  for (int attempt = 0; attempt < 64; ++attempt) {
    void* remote = VirtualAllocEx(process, nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) return nullptr;
    void* local = VirtualAlloc(remote, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (local == remote) return remote;
    if (local != nullptr) VirtualFree(local, 0, MEM_RELEASE);
    // The page stays reserved in the program, so the next try lands elsewhere.
  }
  return nullptr;
}

// Sends what Windows sends when the window moves to a monitor of another DPI:
// the DPI, and a suggested rectangle that keeps the window's top left corner
// and gives it the client size asked for.
void CmdDpiChanged(const std::vector<std::string>& args) {
  if (args.size() != 3) Fail("dpichanged needs DPI WIDTH HEIGHT");
  const int dpi = std::atoi(args[0].c_str());
  HWND main = RequireMain();
  RECT frame;
  RECT client;
  GetWindowRect(main, &frame);
  GetClientRect(main, &client);
  RECT suggested = frame;
  suggested.right += std::atoi(args[1].c_str()) - client.right;
  suggested.bottom += std::atoi(args[2].c_str()) - client.bottom;
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) Fail("cannot open the program's process");
  void* page = MirrorPage(process);
  SIZE_T written = 0;
  const bool placed =
      page != nullptr && WriteProcessMemory(process, page, &suggested, sizeof suggested, &written);
  CloseHandle(process);
  if (!placed || written != sizeof suggested) Fail("cannot place the rectangle in the program");
  *static_cast<RECT*>(page) = suggested;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                           reinterpret_cast<LPARAM>(page), SMTO_ABORTIFHUNG, 5000, &result)) {
    Fail("WM_DPICHANGED was not answered");
  }
  std::printf("dpichanged %d suggested %ld %ld %ld %ld\n", dpi, suggested.left, suggested.top,
              suggested.right - suggested.left, suggested.bottom - suggested.top);
}

// The texts and the cap the program is built with, each to the end of its line.
void CmdFacts() {
  std::printf("title %s\n", kTitle);
  std::printf("not-found %s\n", tervane::kNotFoundCaption);
  std::printf("port-prefix %s\n", tervane::kPortCaptionPrefix);
  std::printf("probe-cap %d\n", static_cast<int>(tervane::CableScan::kMaxBridgesProbed));
}

// Where the window's layout puts its client area and controls at a DPI, in
// pixels: left, top, width, height (the label's size is its stored one).
void CmdLayout(int dpi) {
  namespace layout = tervane::layout;
  std::printf("layout-client %d %d\n", tervane::TwipsToPixels(layout::kClientWidth, dpi),
              tervane::TwipsToPixels(layout::kClientHeight, dpi));
  const struct {
    const char* name;
    const tervane::TwipsRect& twips;
  } kControls[] = {
      {"refresh", layout::kCmdRefresh}, {"quit", layout::kCmdQuit}, {"label", layout::kLabel1}};
  for (const auto& control : kControls) {
    const tervane::PixelRect r = tervane::ToPixels(control.twips, dpi, dpi);
    std::printf("layout-%s %d %d %d %d\n", control.name, r.left, r.top, r.width, r.height);
  }
}

// Wine's Windows version for a program, by its file name, which Wine reads as
// the program starts; without a version the program's entry goes.
void CmdAppVersion(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) Fail("app-version needs EXE [VERSION]");
  const std::string key = "Software\\Wine\\AppDefaults\\" + args[0];
  if (args.size() == 1) {
    const LONG deleted = RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) Fail("cannot delete " + key);
    std::printf("app-version %s none\n", args[0].c_str());
    return;
  }
  HKEY opened = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &opened, nullptr) != ERROR_SUCCESS) {
    Fail("cannot create " + key);
  }
  const std::string& version = args[1];
  const LONG set =
      RegSetValueExA(opened, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                     static_cast<DWORD>(version.size()) + 1);
  RegCloseKey(opened);
  if (set != ERROR_SUCCESS) Fail("cannot set the version in " + key);
  std::printf("app-version %s %s\n", args[0].c_str(), version.c_str());
}

// The comctl32 the program has loaded, by path.
void CmdModules() {
  DWORD pid = 0;
  GetWindowThreadProcessId(RequireMain(), &pid);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (snapshot == INVALID_HANDLE_VALUE) Fail("cannot list the program's modules");
  MODULEENTRY32 module = {};
  module.dwSize = sizeof module;
  for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module)) {
    std::string path = module.szExePath;
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (path.find("comctl32") != std::string::npos) std::printf("module %s\n", path.c_str());
  }
  CloseHandle(snapshot);
}

void CmdFocus() {
  HWND main = RequireMain();
  std::printf("focus %s\n", NameOf(main, FocusOf(main)).c_str());
}

void CmdWaitFocus(const std::string& expected) {
  HWND main = RequireMain();
  if (!WaitFor(kDefaultTimeout, [&] { return NameOf(main, FocusOf(main)) == expected; })) {
    Fail("the focus is on " + NameOf(main, FocusOf(main)));
  }
  std::printf("focus %s\n", expected.c_str());
}

// BM_CLICK runs the click inside the program; it returns when the handler
// has finished, or after the timeout when the handler is still busy (for one,
// because it is showing a message box).
void CmdClick(const std::string& caption) {
  HWND button = Button(RequireMain(), caption);
  DWORD_PTR result = 0;
  const bool done = SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 3000, &result) != 0;
  std::printf("clicked %s%s\n", caption.c_str(), done ? "" : " (still running)");
}

INPUT KeyInput(WORD code, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = code;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(code, 0));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// Real key presses, as the keyboard makes them, into the foreground window:
// the main window is brought there first. A combination's keys go down in
// order and come up in reverse.
void CmdKey(const std::string& name) {
  struct Key {
    const char* name;
    std::vector<WORD> codes;
  };
  static const Key kKeys[] = {{"tab", {VK_TAB}},
                              {"space", {VK_SPACE}},
                              {"enter", {VK_RETURN}},
                              {"escape", {VK_ESCAPE}},
                              {"alt+f4", {VK_MENU, VK_F4}}};
  for (const Key& key : kKeys) {
    if (name != key.name) continue;
    HWND main = RequireMain();
    SetForegroundWindow(main);
    if (!WaitFor(5000, [&] { return GetForegroundWindow() == main; })) {
      Fail("the main window does not come to the foreground");
    }
    std::vector<INPUT> inputs;
    for (WORD code : key.codes) inputs.push_back(KeyInput(code, false));
    for (auto code = key.codes.rbegin(); code != key.codes.rend(); ++code) {
      inputs.push_back(KeyInput(*code, true));
    }
    const HWND target = FocusOf(main);
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) !=
        inputs.size()) {
      Fail("SendInput refused the keys");
    }
    std::printf("key %s to %s\n", name.c_str(), NameOf(main, target).c_str());
    return;
  }
  Fail("unknown key " + name);
}

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return "";
  char narrow[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

// One BSTR property of an accessible object, as text; "-" when it has none.
template <typename Getter>
std::string AccessibleText(Getter getter) {
  BSTR text = nullptr;
  if (getter(&text) != S_OK) return "-";
  std::string narrow = Narrow(text);
  SysFreeString(text);
  return narrow;
}

// What Active Accessibility gives another process for one window's client
// object: its name, role and keyboard shortcut.
void PrintAccessible(const char* what, HWND window) {
  IAccessible* accessible = nullptr;
  // __uuidof, not IID_IAccessible: oleacc's import library offers that name
  // as an import thunk, whose address is code, not the GUID.
  const HRESULT made =
      AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&accessible));
  if (FAILED(made)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(made));
    Fail(std::string("no accessible object for the ") + what + ": " + code);
  }
  VARIANT self = {};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role = {};
  accessible->get_accRole(self, &role);
  const std::string name =
      AccessibleText([&](BSTR* text) { return accessible->get_accName(self, text); });
  const std::string shortcut =
      AccessibleText([&](BSTR* text) { return accessible->get_accKeyboardShortcut(self, text); });
  accessible->Release();
  std::printf("accessible %s class=%s role=%ld shortcut=%s name=%s\n", what,
              ClassOf(window).c_str(), role.vt == VT_I4 ? static_cast<long>(role.lVal) : -1L,
              Escaped(shortcut).c_str(), Escaped(name).c_str());
}

// The window and its controls, in their order, as a screen reader finds them.
void CmdAccessible() {
  HWND main = RequireMain();
  if (FAILED(CoInitialize(nullptr))) Fail("COM does not start");
  PrintAccessible("window", main);
  for (HWND child : Children(main)) PrintAccessible("control", child);
  CoUninitialize();
}

struct LiveEvents {
  std::vector<std::string> seen;
};
LiveEvents* g_liveEvents = nullptr;

// Out of context: Windows hands each event to this thread's message loop.
void CALLBACK OnLiveEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                          DWORD) {
  HWND root = GetAncestor(window, GA_ROOT);
  if (g_liveEvents == nullptr || root == nullptr || ClassOf(root) != kMainClass) return;
  char line[1200];
  std::snprintf(line, sizeof line,
                "live-event 0x%04lx class=%s object=%ld child=%ld visible=%s text=%s",
                static_cast<unsigned long>(event), ClassOf(window).c_str(),
                static_cast<long>(object), static_cast<long>(child),
                IsWindowVisible(window) ? "yes" : "no", Escaped(TextOf(window)).c_str());
  g_liveEvents->seen.emplace_back(line);
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

// Watches for EVENT_OBJECT_LIVEREGIONCHANGED from the program's window, as a
// screen reader does, until COUNT have come or the timeout has passed, and
// half a second more for any extra one. Prints "watching" once the hook is
// set, so that the caller knows when to act.
void CmdLiveEvents(const std::vector<std::string>& args) {
  if (args.empty()) Fail("live-events needs COUNT [TIMEOUT]");
  const size_t count = std::strtoul(args[0].c_str(), nullptr, 10);
  const DWORD timeout = TimeoutArg({args.begin() + 1, args.end()});
  LiveEvents events;
  g_liveEvents = &events;
  HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                      OnLiveEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
  if (hook == nullptr) Fail("SetWinEventHook failed");
  std::printf("watching\n");
  std::fflush(stdout);
  const DWORD start = GetTickCount();
  while (events.seen.size() < count && GetTickCount() - start < timeout) PumpFor(50);
  PumpFor(500);
  UnhookWinEvent(hook);
  g_liveEvents = nullptr;
  for (const std::string& line : events.seen) std::printf("%s\n", line.c_str());
  std::printf("live-events %u\n", static_cast<unsigned>(events.seen.size()));
}

void CmdClose() {
  PostMessageA(RequireMain(), WM_CLOSE, 0, 0);
  std::printf("close sent\n");
}

// What Windows sends when the user's logon ends.
void CmdEndSession() {
  HWND main = RequireMain();
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer);
  std::printf("queryendsession %lu\n", static_cast<unsigned long>(answer));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(main, WM_ENDSESSION, answer != 0, 0, SMTO_NORMAL, 5000, &ignored);
  std::printf("endsession sent\n");
}

void CmdMessageBox(DWORD timeout) {
  if (!WaitFor(timeout, MessageBoxReady)) Fail("no message box");
  HWND box = MessageBoxWindow();
  HWND owner = GetWindow(box, GW_OWNER);
  HWND main = MainWindow();
  std::printf("messagebox owner=%s\n", owner == nullptr ? "none"
                                       : owner == main  ? "main"
                                                        : "other");
  for (HWND child : Children(box)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") != 0 || !IsWindowVisible(child)) continue;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      const bool hasIcon = SendMessageA(child, STM_GETICON, 0, 0) != 0;
      std::printf("messagebox icon=%s\n", hasIcon ? "yes" : "no");
    } else if (!TextOf(child).empty()) {
      std::printf("messagebox text=%s\n", Escaped(TextOf(child)).c_str());
    }
  }
  for (HWND child : Children(box)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Button") == 0 && IsWindowVisible(child)) {
      std::printf("messagebox button=%s\n", TextOf(child).c_str());
    }
  }
}

void CmdDismiss() {
  HWND box = MessageBoxWindow();
  if (box == nullptr) Fail("no message box");
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  std::printf("dismissed\n");
}

struct FoundName {
  bool any = false;
  std::string name;
};

BOOL CALLBACK KeepFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* found = reinterpret_cast<FoundName*>(param);
  found->any = true;
  found->name = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name))
                                     : std::string(name);
  return FALSE;
}

// Resources of an exe, read as data: the icon group, the manifest, the version.
void CmdResources(const std::string& exe) {
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) Fail("cannot read " + exe);
  // The first icon group is the one the shell shows for the file.
  FoundName first;
  EnumResourceNamesA(module, RT_GROUP_ICON, KeepFirstName, reinterpret_cast<LONG_PTR>(&first));
  std::printf("first-icon-group %s\n", first.any ? first.name.c_str() : "none");
  if (first.any) {
    LPCSTR name = first.name[0] == '#' ? MAKEINTRESOURCEA(std::atoi(first.name.c_str() + 1))
                                       : first.name.c_str();
    HRSRC group = FindResourceA(module, name, RT_GROUP_ICON);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    const int count = bytes[4] | (bytes[5] << 8);
    for (int i = 0; i < count; ++i) {
      const BYTE* entry = bytes + 6 + 14 * i;  // GRPICONDIRENTRY
      const int planes = entry[4] | (entry[5] << 8);
      const int bits = entry[6] | (entry[7] << 8);
      const int id = entry[12] | (entry[13] << 8);
      // The image itself starts with its BITMAPINFOHEADER.
      HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(id), RT_ICON);
      const auto* header = static_cast<const BYTE*>(LockResource(LoadResource(module, image)));
      const int headerBits = header[14] | (header[15] << 8);
      const int headerHeight = header[8] | (header[9] << 8);
      std::printf("icon-image %dx%d colours=%d planes=%d bits=%d stored-bits=%d dib-height=%d\n",
                  entry[0], entry[1], entry[2], planes, bits, headerBits, headerHeight);
    }
  }
  HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  if (manifest != nullptr) {
    const auto* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
    std::printf("manifest %s\n",
                Escaped(std::string(text, SizeofResource(module, manifest))).c_str());
  } else {
    std::printf("manifest none\n");
  }
  FreeLibrary(module);

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
  std::vector<char> info(size + 1);
  if (size == 0 || !GetFileVersionInfoA(exe.c_str(), 0, size, info.data())) {
    std::printf("version none\n");
    return;
  }
  for (const char* key : {"ProductName", "FileVersion", "OriginalFilename"}) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904E4\\") + key;
    if (VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
      std::printf("version %s=%s\n", key, value);
    }
  }
}

const std::string& Arg(const std::vector<std::string>& args, const std::string& command) {
  if (args.empty()) Fail(command + " needs an argument");
  return args[0];
}

void Run(const std::string& command, const std::vector<std::string>& args) {
  if (command == "wait-window") return CmdWaitWindow(TimeoutArg(args));
  if (command == "main") return CmdMain();
  if (command == "wait-gone") return CmdWaitGone(TimeoutArg(args));
  if (command == "label") return CmdLabel();
  if (command == "wait-label") return CmdWaitLabel(Arg(args, command));
  if (command == "geometry") return CmdGeometry();
  if (command == "label-extent-at") return CmdLabelExtentAt(std::atoi(Arg(args, command).c_str()));
  if (command == "dpichanged") return CmdDpiChanged(args);
  if (command == "modules") return CmdModules();
  if (command == "facts") return CmdFacts();
  if (command == "app-version") return CmdAppVersion(args);
  if (command == "layout") return CmdLayout(std::atoi(Arg(args, command).c_str()));
  if (command == "focus") return CmdFocus();
  if (command == "wait-focus") return CmdWaitFocus(Arg(args, command));
  if (command == "click") return CmdClick(Arg(args, command));
  if (command == "key") return CmdKey(Arg(args, command));
  if (command == "accessible") return CmdAccessible();
  if (command == "live-events") return CmdLiveEvents(args);
  if (command == "close") return CmdClose();
  if (command == "endsession") return CmdEndSession();
  if (command == "messagebox") return CmdMessageBox(TimeoutArg(args));
  if (command == "dismiss") return CmdDismiss();
  if (command == "resources") return CmdResources(Arg(args, command));
  if (command == "sleep") return Sleep(TimeoutArg(args));
  Fail("unknown command " + command);
}

// Runs the commands, which a lone comma separates; 1 after a failure, which it prints.
int RunCommands(const std::vector<std::string>& words) {
  std::vector<std::vector<std::string>> commands(1);
  for (const std::string& word : words) {
    if (word == ",") {
      commands.emplace_back();
    } else {
      commands.back().push_back(word);
    }
  }
  try {
    for (const auto& command : commands) {
      if (command.empty()) continue;
      Run(command[0], std::vector<std::string>(command.begin() + 1, command.end()));
      std::fflush(stdout);
    }
  } catch (const Failure& failure) {
    std::printf("error: %s\n", failure.what.c_str());
    return 1;
  }
  return 0;
}

bool ReadLine(std::string& line) {
  line.clear();
  char chunk[1024];
  while (std::fgets(chunk, sizeof chunk, stdin) != nullptr) {
    line += chunk;
    if (line.back() == '\n') break;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return !line.empty() || !std::feof(stdin);
}

std::vector<std::string> TabSeparated(const std::string& line) {
  std::vector<std::string> words(1);
  for (char c : line) {
    if (c == '\t') {
      words.emplace_back();
    } else {
      words.back() += c;
    }
  }
  return words;
}

int Serve() {
  std::string line;
  while (ReadLine(line)) {
    const int status = RunCommands(TabSeparated(line));
    std::printf("done %d\n", status);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "serve") return Serve();
  return RunCommands(std::vector<std::string>(argv + 1, argv + argc));
}
