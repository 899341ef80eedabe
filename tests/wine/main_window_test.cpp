// The real main window opened in this process under Wine: its layout through changes of DPI, and
// the fonts they make and free. Runs in a Wine session of its own (see CMakeLists.txt), which gives
// it a display.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
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

// The program registers its window's class once, as it creates one window;
// a test that opens another after it takes the class away first.
struct WindowClassRegistration {
  WindowClassRegistration() = default;
  WindowClassRegistration(const WindowClassRegistration&) = delete;
  WindowClassRegistration& operator=(const WindowClassRegistration&) = delete;
  ~WindowClassRegistration() { UnregisterClassA("TervaneMain", GetModuleHandleA(nullptr)); }
};

// The window's pieces, wired as WinMain wires them, over stand-ins: no
// bridge is attached, so the label reads "No VYX USB Programmer Found".
struct Program {
  Program()
      : window(GetModuleHandleA(nullptr)),
        form(state, bridge, os, lookup, window.Label1(), window) {
    window.Create(form);
    loaded = form.Load();
    window.Show(SW_SHOWNOACTIVATE);
    main = FindWindowA("TervaneMain", nullptr);
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
  for (const int dpi : {192, 144, 120, system}) {
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
      for (const int dpi : {192, 144, SystemDpi()}) {
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
    program.ChangeDpi(192);
    last = FontOf(label);
    EXPECT_NE(last, StockFont());
  }
  EXPECT_EQ(GetObjectType(last), 0u) << "the last font outlived the window";
  EXPECT_EQ(GetObjectType(StockFont()), static_cast<DWORD>(OBJ_FONT));
  EXPECT_GE(made.size(), 2u);
}

}  // namespace
}  // namespace tervane
