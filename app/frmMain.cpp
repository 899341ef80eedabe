// The main window's events: load scans, Refresh scans again, Quit ends, unload releases the bridge.
#include "app/frmMain.h"

#include "app/fatal_error.h"

namespace tervane {

frmMain::frmMain(modMain& state, modCP210x& bridge, OsVersion& os, PortLookup& lookup,
                 StatusLabel& Label1, WindowSystem& windows)
    : state_(state), bridge_(bridge), scan_(state, bridge, os, lookup, Label1), windows_(windows) {}

void frmMain::Form_Load() {
  state_.DeviceHandle = 1;
  scan_.FillDeviceList();
}

void frmMain::cmdRefresh_Click() { scan_.FillDeviceList(); }

void frmMain::cmdQuit_Click() { End(0); }

void frmMain::Form_Unload(std::int16_t& /*Cancel: left unset, closing always goes ahead*/) {
  // DeviceHandle keeps its value after the scan's own close and holds 1
  // before the first open, so only the flag tells whether it is still open.
  if (!state_.DeviceHandleOpen) return;
  state_.DeviceHandleOpen = false;
  // The status is ignored and, unlike the scan's calls, not kept in LastStatus.
  bridge_.CP210x_Close(state_.DeviceHandle);
}

bool frmMain::Load() noexcept {
  if (stage_ != Stage::Created) return false;
  if (!AtTopOfEvent([this] { Form_Load(); })) return false;
  stage_ = Stage::Shown;
  return true;
}

void frmMain::RefreshClicked() noexcept {
  if (stage_ == Stage::Shown) AtTopOfEvent([this] { cmdRefresh_Click(); });
}

void frmMain::QuitClicked() noexcept {
  if (stage_ == Stage::Shown) AtTopOfEvent([this] { cmdQuit_Click(); });
}

bool frmMain::Closing() noexcept {
  if (ended()) return false;
  if (stage_ == Stage::Unloaded) return true;
  std::int16_t cancel = 0;
  if (!AtTopOfEvent([this, &cancel] { Form_Unload(cancel); })) return false;
  if (cancel != 0) return false;
  stage_ = Stage::Unloaded;
  return true;
}

template <typename Handler>
bool frmMain::AtTopOfEvent(Handler handler) noexcept {
  try {
    handler();
    return !ended();
  } catch (const std::exception& error) {
    Fatal(&error);
  } catch (...) {
    Fatal(nullptr);
  }
  return false;
}

void frmMain::Fatal(const std::exception* error) noexcept {
  stage_ = Stage::Ending;
  ReportFatalError(windows_, error);
  End(kFatalErrorExitCode);
}

void frmMain::End(int exitCode) noexcept {
  if (stage_ == Stage::Ended) return;
  stage_ = Stage::Ended;
  windows_.EndProgram(exitCode);
}

}  // namespace tervane
