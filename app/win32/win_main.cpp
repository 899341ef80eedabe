// Start-up of tervane.exe: wires the Win32 seams to the main window, loads it, shows it, runs it.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <exception>
#include <string>

#include "app/fatal_error.h"
#include "app/frmMain.h"
#include "app/win32/main_window.h"
#include "discovery/modMain.h"
#include "platform/win32/library_loader.h"
#include "platform/win32/win32_seams.h"
#include "portlookup/registry_port_lookup.h"

namespace {

// Windows Vista and later scale the window of a program that does not
// declare itself DPI-aware. The manifest declares it; SetProcessDPIAware
// covers systems that read no manifest setting, is missing before Vista, and
// changes nothing where the manifest's setting took.
void DeclareDpiAware() {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return;
  using SetProcessDpiAwareFn = BOOL(WINAPI*)();
  auto setAware =
      reinterpret_cast<SetProcessDpiAwareFn>(GetProcAddress(user32, "SetProcessDPIAware"));
  if (setAware != nullptr) setAware();
}

// The visual style comes with comctl32 version 6, which the manifest names.
// Loading comctl32 by name under the manifest's activation context makes it
// that version, and InitCommonControlsEx (comctl32 4.70 and later) registers
// its classes; Windows 95's own comctl32 has only InitCommonControls. Both are
// looked up here, never imported, and a failure only leaves the classic look.
// Never from the current directory, like every library the program loads.
void InitCommonControlsAtRunTime() {
  HMODULE comctl32 = tervane::LoadLibraryNotFromCurrentDirectory("comctl32.dll");
  if (comctl32 == nullptr) return;
  using InitExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  using InitFn = void(WINAPI*)();
  if (auto initEx = reinterpret_cast<InitExFn>(
          reinterpret_cast<void*>(GetProcAddress(comctl32, "InitCommonControlsEx")))) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    initEx(&classes);
  } else if (auto init = reinterpret_cast<InitFn>(
                 reinterpret_cast<void*>(GetProcAddress(comctl32, "InitCommonControls")))) {
    init();
  }
}

int RunProgram(HINSTANCE instance, int showCommand) {
  tervane::modMain state;
  tervane::Win32Cp210x bridge;
  tervane::Win32OsVersion os;
  tervane::Win32Registry registry;
  tervane::RegistryPortLookup lookup(registry);
  tervane::MainWindow window(instance);
  tervane::frmMain form(state, bridge, os, lookup, window.Label1(), window);
  window.Create(form);
  // The first scan runs while the window is still hidden; if it fails the
  // window is never shown.
  if (!form.Load()) return window.exitCode();
  window.Show(showCommand);
  return window.RunMessageLoop();
}

// An error of the wiring itself, before any window event runs: reported as
// the events report theirs.
void ReportStartupError(const std::exception* error) noexcept {
  const char* fallback = "Unexpected error";
  try {
    const std::string message = error != nullptr ? tervane::FatalErrorMessage(*error) : fallback;
    MessageBoxA(nullptr, message.c_str(), "Tervane", MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxA(nullptr, fallback, "Tervane", MB_OK | MB_ICONERROR);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
  DeclareDpiAware();
  InitCommonControlsAtRunTime();
  // Everything that can raise after the window exists is inside its events,
  // which catch at their top; this is the guard for the wiring itself.
  try {
    return RunProgram(instance, showCommand);
  } catch (const std::exception& error) {
    ReportStartupError(&error);
  } catch (...) {
    ReportStartupError(nullptr);
  }
  return tervane::kFatalErrorExitCode;
}
