// The common controls, loaded and initialised at run time.
#include "app/win32/common_controls.h"

// After windows.h, which it needs.
#include <commctrl.h>

#include "platform/win32/run_time_function.h"

namespace tervane {

HMODULE InitCommonControlsAtRunTime(LoaderFeatures features) {
  HMODULE comctl32 = LoadSideBySideLibrary("comctl32.dll", features);
  using InitExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  using InitFn = void(WINAPI*)();
  if (auto initEx = LookUpFunction<InitExFn>(comctl32, "InitCommonControlsEx")) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    initEx(&classes);
  } else if (auto init = LookUpFunction<InitFn>(comctl32, "InitCommonControls")) {
    init();
  }
  return comctl32;
}

}  // namespace tervane
