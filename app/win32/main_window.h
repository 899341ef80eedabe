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
  // Raises a RuntimeError when the text cannot be set or the label cannot be
  // sized to it: a label cut short would show a wrong result.
  void SetCaption(const std::string& text) override;
  // Sizes the label to the text it shows, in the font it has now; false when
  // that fails, and the label keeps its size.
  bool Refit();
  // Has screen readers speak the text it shows now.
  void Announce() { liveRegion_.TextChanged(); }
  // Before the control is destroyed.
  void Detach() { liveRegion_.Detach(); }

 private:
  bool SizeTo(const std::string& text);

  HWND control_ = nullptr;
  // The text last set, which the label shows.
  std::string caption_;
  LiveRegion liveRegion_;
};

// Owns the HWND and unpacks its messages into calls on frmMain. The
// program's one window: at most one lives at a time.
class MainWindow final : public WindowSystem {
 public:
  // annotations: Active Accessibility's service for the label's live-region
  // mark; nullptr makes it through COM once the window is on the screen.
  explicit MainWindow(HINSTANCE instance, IAccPropServices* annotations = nullptr);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The window raises the events of the form only while this lives, and
  // drops them after: the form may end before the window does.
  class FormLink {
   public:
    FormLink(MainWindow& window, frmMain& form) : window_(window) { window.form_ = &form; }
    ~FormLink() { window_.form_ = nullptr; }
    FormLink(const FormLink&) = delete;
    FormLink& operator=(const FormLink&) = delete;

   private:
    MainWindow& window_;
  };

  // Creates the window, hidden, with its three controls; raises a
  // RuntimeError with Windows' error code when one of them cannot be made
  // whole.
  void Create();
  // Shows the window with the focus on Refresh; the label's first result is
  // announced once the window is on the screen.
  void Show(int showCommand);
  // Runs the message loop until the window is gone; returns the exit code.
  // Raises a RuntimeError when the messages cannot be read.
  int RunMessageLoop();

  Win32Label& Label1() { return label1_; }
  int exitCode() const { return exitCode_; }

  void ShowFatalError(const char* message) noexcept override;
  void EndProgram(int exitCode) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Creates the three controls at the window's DPI; false when one cannot be
  // made or placed.
  bool OnCreate();
  void OnCommand(WORD id, WORD notification, HWND control);
  void OnButtonFocused(HWND button);
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
  // Places the controls in twips at the current DPI, in the font made for
  // it; false when one could not be placed.
  bool LayOutControls();
  // Destroys the window, which ends the message loop; should Windows refuse,
  // the loop is ended all the same.
  void Destroy();

  // The window whose messages WindowProc hands on.
  static MainWindow* current_;

  HINSTANCE instance_;
  // Outlives the label, which takes its mark off when the window goes.
  AnnotationService annotations_;
  frmMain* form_ = nullptr;
  HWND window_ = nullptr;
  // Set once the window and its controls were made: only then does its end
  // end the message loop.
  bool created_ = false;
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
