// The main window's plain object: its four event handlers and the tops of the events raising them.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "app/window_system.h"
#include "discovery/cable_scan.h"
#include "discovery/modMain.h"
#include "discovery/status_label.h"
#include "platform/modCP210x.h"
#include "platform/os_version.h"
#include "portlookup/port_lookup.h"

namespace tervane {

class frmMain {
 public:
  // Label1 is the window's status label, into which the scan writes.
  frmMain(modMain& state, modCP210x& bridge, OsVersion& os, PortLookup& lookup, StatusLabel& Label1,
          WindowSystem& windows);

  // The event handlers. None of them catches an error.
  void Form_Load();
  void cmdRefresh_Click();
  void cmdQuit_Click();
  void Form_Unload(std::int16_t& Cancel);

  // The window system raises the events through these. Each is the top of
  // its event: an error reaching it is reported and ends the program, and no
  // exception ever leaves it. Events while a fatal error is reported or after
  // the program has ended, and clicks before the load or after the unload,
  // are ignored.

  // Raised once, while the window is still hidden. True when the window may
  // be shown; false when the first scan failed and the program has ended.
  bool Load() noexcept;
  void RefreshClicked() noexcept;
  void QuitClicked() noexcept;
  // The window is being closed, by the user or by Windows ending the
  // session. Runs the unload step the first time only. True when the window
  // system should go on and destroy the window; false when the program has
  // already ended or the unload was cancelled.
  bool Closing() noexcept;

  // True from the moment a fatal error is being reported, or the program ended.
  bool ended() const { return stage_ == Stage::Ending || stage_ == Stage::Ended; }

 private:
  // Ending: a fatal error is being reported; every event that arrives
  // meanwhile (the message box runs a message loop) is ignored.
  enum class Stage { Created, Shown, Unloaded, Ending, Ended };

  // Runs one event handler; false when an error ended the program.
  template <typename Handler>
  bool AtTopOfEvent(Handler handler) noexcept;
  void Fatal(const std::exception* error) noexcept;
  void End(int exitCode) noexcept;

  modMain& state_;
  modCP210x& bridge_;
  CableScan scan_;
  WindowSystem& windows_;
  Stage stage_ = Stage::Created;
};

}  // namespace tervane
