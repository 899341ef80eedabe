// The Windows version as kernel32's GetVersion reports it.
#include <windows.h>

#include "platform/win32/win32_seams.h"

namespace tervane {

std::uint32_t Win32OsVersion::GetVersion() { return ::GetVersion(); }

}  // namespace tervane
