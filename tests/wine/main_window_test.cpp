// The real main window opened in this process under Wine: its layout through changes of DPI, the
// fonts they make and free, and the label's live region. Runs in a Wine session of its own (see
// CMakeLists.txt), which gives it a display.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "app/frmMain_layout.h"
#include "app/win32/dpi.h"
#include "app/win32/main_window.h"
#include "discovery/modMain.h"
#include "portlookup/registry_port_lookup.h"
#include "support/memory_bridge.h"
#include "support/memory_os_version.h"
#include "support/memory_registry.h"

namespace tervane {
namespace {

HFONT FontOf(HWND control) {
  return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
}

HFONT StockFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// The DPIs the suites run at besides 96, from CMake, then the system's.
std::vector<int> SuiteDpisThenSystem() {
  std::vector<int> dpis = {TERVANE_SUITE_DPIS};
  dpis.push_back(SystemDpi());
  return dpis;
}

// The program registers its window's class once, as it creates one window;
// a test that opens another after it takes the class away first.
struct WindowClassRegistration {
  WindowClassRegistration() = default;
  WindowClassRegistration(const WindowClassRegistration&) = delete;
  WindowClassRegistration& operator=(const WindowClassRegistration&) = delete;
  ~WindowClassRegistration() { UnregisterClassA("TervaneMain", GetModuleHandleA(nullptr)); }
};

// The window's pieces, wired as WinMain wires them, over stand-ins: no
// bridge is attached, so the label reads the caption for none found.
// annotations: as MainWindow takes it; shown: whether the window is shown
// once it has loaded.
struct Program {
  explicit Program(IAccPropServices* annotations = nullptr, bool shown = true)
      : window(GetModuleHandleA(nullptr), annotations),
        form(state, bridge, os, lookup, window.Label1(), window),
        link(window, form) {
    window.Create();
    loaded = form.Load();
    main = FindWindowA("TervaneMain", nullptr);
    if (shown) window.Show(SW_SHOWNOACTIVATE);
  }

  std::vector<HWND> Controls() const {
    std::vector<HWND> controls;
    for (HWND c = GetWindow(main, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
      controls.push_back(c);
    }
    return controls;
  }

  // What Windows sends when the window moves to a monitor of dpi: the
  // suggested rectangle keeps the corner and gives the client area the
  // layout's size at that DPI.
  RECT ChangeDpi(int dpi) {
    RECT frame;
    RECT client;
    GetWindowRect(main, &frame);
    GetClientRect(main, &client);
    RECT suggested = frame;
    suggested.right += TwipsToPixels(layout::kClientWidth, dpi) - client.right;
    suggested.bottom += TwipsToPixels(layout::kClientHeight, dpi) - client.bottom;
    SendMessageA(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return suggested;
  }

  WindowClassRegistration registration;  // the last to go, after the window
  modMain state;
  MemoryCp210x bridge;
  MemoryOsVersion os{MemoryOsVersion::kWindowsXP};
  MemoryRegistry registry;
  RegistryPortLookup lookup{registry};
  MainWindow window;
  frmMain form;
  MainWindow::FormLink link;
  bool loaded = false;
  HWND main = nullptr;
};

RECT PlaceOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ExpectPlace(HWND control, const TwipsRect& twips, int dpi) {
  const PixelRect expected = ToPixels(twips, dpi, dpi);
  const RECT place = PlaceOf(control);
  EXPECT_EQ(place.left, expected.left);
  EXPECT_EQ(place.top, expected.top);
  EXPECT_EQ(place.right - place.left, expected.width);
  EXPECT_EQ(place.bottom - place.top, expected.height);
}

// The label's text measured in the label's own font.
SIZE TextSizeIn(HWND label) {
  char text[256] = {};
  GetWindowTextA(label, text, sizeof text);
  HDC dc = GetDC(label);
  HGDIOBJ previous = SelectObject(dc, FontOf(label));
  RECT extent = {0, 0, 0, 0};
  DrawTextA(dc, text, -1, &extent, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, previous);
  ReleaseDC(label, dc);
  return {extent.right - extent.left, extent.bottom - extent.top};
}

TEST(MainWindow, LaysItsControlsOutAtEachDpiInTheFontMadeForIt) {
  Program program;
  ASSERT_TRUE(program.loaded);
  const std::vector<HWND> controls = program.Controls();
  ASSERT_EQ(controls.size(), 3u);  // Refresh, Quit, the label
  const int system = SystemDpi();
  for (const int dpi : SuiteDpisThenSystem()) {
    SCOPED_TRACE(dpi);
    const RECT suggested = program.ChangeDpi(dpi);
    RECT frame;
    GetWindowRect(program.main, &frame);
    EXPECT_TRUE(EqualRect(&frame, &suggested)) << "the window takes the suggested rectangle";
    ExpectPlace(controls[0], layout::kCmdRefresh, dpi);
    ExpectPlace(controls[1], layout::kCmdQuit, dpi);
    const RECT label = PlaceOf(controls[2]);
    EXPECT_EQ(label.left, TwipsToPixels(layout::kLabel1.left, dpi));
    EXPECT_EQ(label.top, TwipsToPixels(layout::kLabel1.top, dpi));
    const SIZE text = TextSizeIn(controls[2]);
    EXPECT_EQ(label.right - label.left, text.cx);
    EXPECT_EQ(label.bottom - label.top, text.cy);
    LOGFONTA font = {};
    ASSERT_EQ(GetObjectA(FontOf(controls[2]), sizeof font, &font), static_cast<int>(sizeof font));
    LOGFONTA stock = {};
    GetObjectA(StockFont(), sizeof stock, &stock);
    EXPECT_EQ(font.lfHeight, MulDiv(MulDiv(stock.lfHeight, 96, system), dpi, 96));
    for (HWND control : controls) EXPECT_EQ(FontOf(control), FontOf(controls[2]));
  }
  EXPECT_EQ(FontOf(controls[0]), StockFont()) << "at the system DPI the window uses the stock font";
}

// Every font a change made is gone once the next change replaced it, the
// stock font stays, and the last one goes with the window.
TEST(MainWindow, RepeatedChangesLeaveNoFontBehind) {
  std::set<HFONT> made;
  HFONT last = nullptr;
  {
    Program program;
    ASSERT_TRUE(program.loaded);
    const HWND label = program.Controls().back();
    for (int round = 0; round < 20; ++round) {
      for (const int dpi : SuiteDpisThenSystem()) {
        program.ChangeDpi(dpi);
        const HFONT now = FontOf(label);
        EXPECT_EQ(GetObjectType(now), static_cast<DWORD>(OBJ_FONT));
        for (HFONT old : made) {
          if (old != now) {
            EXPECT_EQ(GetObjectType(old), 0u) << "a replaced font lives on";
          }
        }
        if (now != StockFont()) made.insert(now);
      }
    }
    program.ChangeDpi(SuiteDpisThenSystem().front());
    last = FontOf(label);
    EXPECT_NE(last, StockFont());
  }
  EXPECT_EQ(GetObjectType(last), 0u) << "the last font outlived the window";
  EXPECT_EQ(GetObjectType(StockFont()), static_cast<DWORD>(OBJ_FONT));
  EXPECT_GE(made.size(), 2u);
}

// oleacc's annotation service as the window uses it: it records each
// SetHwndProp and ClearHwndProps and answers them as told (Wine 8 answers
// E_NOTIMPL, Windows S_OK); the rest is never called.
class RecordingAnnotations final : public IAccPropServices {
 public:
  struct Mark {
    HWND window;
    DWORD object;
    DWORD child;
    GUID property;
    VARTYPE type;
    LONG value;
  };

  explicit RecordingAnnotations(HRESULT answer) : answer_(answer) {}

  std::vector<Mark> marks;
  std::vector<Mark> clears;

  HRESULT WINAPI SetHwndProp(HWND hwnd, DWORD idObject, DWORD idChild, MSAAPROPID idProp,
                             VARIANT var) override {
    marks.push_back({hwnd, idObject, idChild, idProp, var.vt, var.lVal});
    return answer_;
  }
  HRESULT WINAPI ClearHwndProps(HWND hwnd, DWORD idObject, DWORD idChild, const MSAAPROPID* paProps,
                                int cProps) override {
    for (int i = 0; i < cProps; ++i) clears.push_back({hwnd, idObject, idChild, paProps[i], 0, 0});
    return S_OK;
  }

  HRESULT WINAPI QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return 1; }
  ULONG WINAPI Release() override { return 1; }
  HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                               AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHwndPropStr(HWND, DWORD, DWORD, MSAAPROPID, LPCWSTR) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                   AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                    AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return E_NOTIMPL;
  }

 private:
  HRESULT answer_;
};

// UI Automation's LiveSetting property.
constexpr GUID kLiveSetting = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};

// The windows that raised EVENT_OBJECT_LIVEREGIONCHANGED in this process,
// caught out of context as a screen reader catches them.
class LiveEvents {
 public:
  LiveEvents()
      : hook_(SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED,
                              nullptr, Record, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT)) {
    current_ = this;
  }
  ~LiveEvents() {
    UnhookWinEvent(hook_);
    current_ = nullptr;
  }
  LiveEvents(const LiveEvents&) = delete;
  LiveEvents& operator=(const LiveEvents&) = delete;

  bool hooked() const { return hook_ != nullptr; }

  // The events since the last call, once the messages waiting have run.
  std::vector<HWND> Take() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    std::vector<HWND> taken;
    taken.swap(seen_);
    return taken;
  }

 private:
  static void CALLBACK Record(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                              DWORD) {
    if (current_ != nullptr && object == OBJID_CLIENT && child == CHILDID_SELF) {
      current_->seen_.push_back(window);
    }
  }

  static LiveEvents* current_;
  HWINEVENTHOOK hook_;
  std::vector<HWND> seen_;
};

LiveEvents* LiveEvents::current_ = nullptr;

// Whatever the service answers, the label is marked once, as a polite live
// region, and raises the event for the first result once the window is
// shown and after each caption; only a mark the service took is taken off.
TEST(LiveRegion, MarksTheLabelOnceAndAnnouncesEachCaptionOnceShown) {
  for (const HRESULT answer : {S_OK, E_NOTIMPL}) {
    SCOPED_TRACE(answer);
    RecordingAnnotations annotations(answer);
    LiveEvents events;
    ASSERT_TRUE(events.hooked());
    HWND label = nullptr;
    {
      Program program(&annotations, /*shown=*/false);
      ASSERT_TRUE(program.loaded);
      label = program.Controls().back();
      EXPECT_TRUE(events.Take().empty()) << "an event while the window is hidden reaches no one";
      EXPECT_TRUE(annotations.marks.empty());

      program.window.Show(SW_SHOWNOACTIVATE);
      EXPECT_EQ(events.Take(), std::vector<HWND>{label});
      ASSERT_EQ(annotations.marks.size(), 1u);
      const RecordingAnnotations::Mark& mark = annotations.marks[0];
      EXPECT_EQ(mark.window, label);
      EXPECT_EQ(mark.object, static_cast<DWORD>(OBJID_CLIENT));
      EXPECT_EQ(mark.child, static_cast<DWORD>(CHILDID_SELF));
      EXPECT_TRUE(IsEqualGUID(mark.property, kLiveSetting));
      EXPECT_EQ(mark.type, VT_I4);
      EXPECT_EQ(mark.value, 1) << "Polite";

      for (int refresh = 0; refresh < 2; ++refresh) {
        program.form.RefreshClicked();
        EXPECT_EQ(events.Take(), std::vector<HWND>{label});
      }
      EXPECT_EQ(annotations.marks.size(), 1u) << "marked once";
      EXPECT_TRUE(annotations.clears.empty());
    }
    const size_t clears = answer == S_OK ? 1 : 0;
    ASSERT_EQ(annotations.clears.size(), clears);
    if (clears != 0) {
      EXPECT_EQ(annotations.clears[0].window, label);
      EXPECT_TRUE(IsEqualGUID(annotations.clears[0].property, kLiveSetting));
    }
  }
}

}  // namespace
}  // namespace tervane
