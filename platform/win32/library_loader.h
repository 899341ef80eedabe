// Loads a DLL by name from the program's folder or the system folders, never the current directory.
#pragma once

#include <windows.h>

#include <string>

namespace tervane {

// LoadLibraryA("x.dll") searches the current directory, so a planted copy
// there could be loaded in place of the real one. These functions search
// only the folder of the running exe and the system folders.
//
// LoadLibraryNotFromCurrentDirectory picks the best way the running Windows
// offers: where kernel32 has SetDefaultDllDirectories (Windows 8 and later,
// Windows 7/Vista with the loader update) LoadLibraryExA understands the
// LOAD_LIBRARY_SEARCH_* flags and does the search itself, for the library and
// its dependencies; elsewhere (Windows 95 to XP) LoadFromTrustedFolders does
// it by full path. Returns nullptr when no folder yields the library.
HMODULE LoadLibraryNotFromCurrentDirectory(const char* fileName);

// LoadLibraryExA with LOAD_LIBRARY_SEARCH_APPLICATION_DIR and
// LOAD_LIBRARY_SEARCH_SYSTEM32. nullptr when the flags are unsupported or
// the library is in neither folder.
HMODULE LoadWithSearchFlags(const char* fileName);

// Tries the exe's folder, GetSystemDirectoryA and GetWindowsDirectoryA in
// this order, each by full path. First drops the current directory from the
// search for the library's own dependencies where SetDllDirectoryA exists
// (XP SP1 and later).
HMODULE LoadFromTrustedFolders(const char* fileName);

// The folders LoadFromTrustedFolders tries, each ending in a backslash;
// folders whose names cannot be had are left out.
std::string ExeFolder();
std::string SystemFolder();
std::string WindowsFolder();

}  // namespace tervane
