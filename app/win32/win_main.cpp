// Start-up of tervane.exe: wires the Win32 seams to the main window, loads it, shows it, runs it.
#include <windows.h>

#include <exception>

#include "app/fatal_error.h"
#include "app/frmMain.h"
#include "app/win32/common_controls.h"
#include "app/win32/main_window.h"
#include "discovery/modMain.h"
#include "platform/win32/library_loader.h"
#include "platform/win32/run_time_function.h"
#include "platform/win32/win32_seams.h"
#include "portlookup/registry_port_lookup.h"

namespace {

// Windows Vista and later scale the window of a program that does not
// declare itself DPI-aware. The manifest declares it; SetProcessDPIAware
// covers systems that read no manifest setting, is missing before Vista, and
// changes nothing where the manifest's setting took.
void DeclareDpiAware() {
  using SetProcessDpiAwareFn = BOOL(WINAPI*)();
  if (auto setAware =
          tervane::LookUpSystemFunction<SetProcessDpiAwareFn>("user32.dll", "SetProcessDPIAware")) {
    setAware();
  }
}

int RunProgram(tervane::MainWindow& window, int showCommand) {
  tervane::modMain state;
  tervane::Win32Cp210x bridge;
  tervane::Win32OsVersion os;
  tervane::Win32Registry registry;
  tervane::RegistryPortLookup lookup(registry);
  tervane::frmMain form(state, bridge, os, lookup, window.Label1(), window);
  const tervane::MainWindow::FormLink link(window, form);
  window.Create();
  // The first scan runs while the window is still hidden; if it fails the
  // window is never shown.
  if (!form.Load()) return window.exitCode();
  window.Show(showCommand);
  return window.RunMessageLoop();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
  tervane::RemoveCurrentDirectoryFromLibrarySearch();
  DeclareDpiAware();
  tervane::InitCommonControlsAtRunTime();
  tervane::MainWindow window(instance);
  // Everything that can raise after the window exists is inside its events,
  // which catch at their top; this is the guard for the wiring and the
  // message loop, which reports as they do. The form is gone by then, and
  // the window drops what the error box's own messages would raise.
  try {
    return RunProgram(window, showCommand);
  } catch (const std::exception& error) {
    tervane::ReportFatalError(window, &error);
  } catch (...) {
    tervane::ReportFatalError(window, nullptr);
  }
  return tervane::kFatalErrorExitCode;
}
