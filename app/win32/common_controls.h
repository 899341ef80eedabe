// Loads the common controls at run time: version 6, with the visual style, wherever Windows has it.
#pragma once

#include <windows.h>

#include "platform/win32/library_loader.h"

namespace tervane {

// The visual style comes with comctl32 version 6, which the manifest names
// and which only the manifest's activation context reaches (XP and later):
// LoadSideBySideLibrary loads it, never from the current directory. Then
// InitCommonControlsEx (comctl32 4.70 and later) registers its classes;
// Windows 95's own comctl32 has only InitCommonControls. Both are looked up,
// never imported, and a failure only leaves the classic look. Returns the
// comctl32 loaded, or nullptr.
HMODULE InitCommonControlsAtRunTime(LoaderFeatures features = LoaderFeatures::OfThisSystem());

}  // namespace tervane
