// Loads a DLL by name from the program's folder or the system folders, never the current directory.
#pragma once

#include <windows.h>

#include <string>

namespace tervane {

// LoadLibraryA("x.dll") searches the current directory, so a planted copy
// there could be loaded in place of the real one. These functions search
// only the folder of the running exe and the system folders.

// What the running Windows' loader offers. The program asks the system; the
// tests also pretend to be older ones.
struct LoaderFeatures {
  // LoadLibraryExA takes the LOAD_LIBRARY_SEARCH_* flags: kernel32 has
  // SetDefaultDllDirectories (Windows 8, and Vista and 7 with KB2533623).
  bool searchFlags;
  // The process's activation context, made from its manifest, can redirect a
  // DLL name to a side-by-side assembly: kernel32 has FindActCtxSectionStringA
  // (Windows XP and later).
  bool activationContexts;

  static LoaderFeatures OfThisSystem();
};

// Picks the best way the running Windows offers: with the search flags
// LoadLibraryExA does the search itself, for the library and its
// dependencies; elsewhere (Windows 95 to 7 without the update)
// LoadFromTrustedFolders does it by full path. Returns nullptr when no folder
// yields the library.
HMODULE LoadLibraryNotFromCurrentDirectory(
    const char* fileName, LoaderFeatures features = LoaderFeatures::OfThisSystem());

// For a DLL that the program's manifest names as a side-by-side assembly
// (comctl32.dll version 6): loaded by its bare name where the activation
// context redirects that name, since the redirection never applies to a full
// path and never reaches the current directory; elsewhere as
// LoadLibraryNotFromCurrentDirectory.
HMODULE LoadSideBySideLibrary(const char* fileName,
                              LoaderFeatures features = LoaderFeatures::OfThisSystem());

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
