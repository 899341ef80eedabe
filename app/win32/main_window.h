// The real main window: a fixed-size top-level window with two buttons and the status label.
#pragma once

#include <windows.h>

#include <string>

#include "app/frmMain.h"
#include "app/frmMain_layout.h"
#include "app/scaled_font.h"
#include "app/win32/gui_font.h"
#include "app/win32/live_region.h"
#include "app/window_system.h"
#include "discovery/status_label.h"

namespace tervane {

// The static control Label1. It sizes itself to its text whenever the text
// is set; its left and top edges stay where they are. A live region: once the
// window is on the screen, screen readers speak each caption set.
class Win32Label final : public StatusLabel {
 public:
  void Attach(HWND control, AnnotationService& annotations);
  HWND control() const { return control_; }
  void SetCaption(const std::string& text) override;
  // Sizes the label to the text it shows, in the font it has now.
  void Refit();
  // Has screen readers speak the text it shows now.
  void Announce() { liveRegion_.TextChanged(); }
  // Before the control is destroyed.
  void Detach() { liveRegion_.Detach(); }

 private:
  void SizeTo(const std::string& text);

  HWND control_ = nullptr;
  LiveRegion liveRegion_;
};

// Owns the HWND and unpacks its messages into calls on frmMain.
class MainWindow final : public WindowSystem {
 public:
  // annotations: Active Accessibility's service for the label's live-region
  // mark; nullptr makes it through COM once the window is on the screen.
  explicit MainWindow(HINSTANCE instance, IAccPropServices* annotations = nullptr);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window, hidden, with its three controls; raises a
  // RuntimeError with Windows' error code when that fails.
  void Create(frmMain& form);
  // Shows the window with the focus on Refresh; the label's first result is
  // announced once the window is on the screen.
  void Show(int showCommand);
  // Runs the message loop until the window is gone; returns the exit code.
  int RunMessageLoop();

  Win32Label& Label1() { return label1_; }
  int exitCode() const { return exitCode_; }

  void ShowFatalError(const std::string& message) override;
  void EndProgram(int exitCode) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Creates the three controls at the window's DPI; false when one cannot be made.
  bool OnCreate();
  void OnCommand(WORD id, WORD notification);
  void OnButtonFocused(WORD id);
  LRESULT OnGetDefaultId();
  // The window is on the screen: its label's first result is announced.
  void OnShown();
  void OnClose();
  void OnDestroy();
  void OnEndSession(bool ending);
  void OnActivate(WORD state);
  void OnSetFocus();
  // The window moved to a monitor of another DPI: it takes the rectangle
  // Windows suggests and lays its controls out again at the new DPI.
  void OnDpiChanged(int dpiX, int dpiY, const RECT& suggested);
  HWND CreateControl(const char* className, const char* text, DWORD style, int id);
  // Places the controls in twips at the current DPI, in the font made for it.
  void LayOutControls();

  HINSTANCE instance_;
  // Outlives the label, which takes its mark off when the window goes.
  AnnotationService annotations_;
  frmMain* form_ = nullptr;
  HWND window_ = nullptr;
  HWND cmdQuit_ = nullptr;
  HWND cmdRefresh_ = nullptr;
  Win32Label label1_;
  // The control that had the focus when the window was last deactivated.
  HWND savedFocus_ = nullptr;
  int dpiX_ = USER_DEFAULT_SCREEN_DPI;
  int dpiY_ = USER_DEFAULT_SCREEN_DPI;
  ScaledFont<GuiFontMaker> font_;
  int exitCode_ = 0;
};

}  // namespace tervane
