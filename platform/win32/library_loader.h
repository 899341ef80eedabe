// Loads a DLL by name from the program's folder or the system folders, never the current directory.
#pragma once

#include <windows.h>

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
  // The NT family, whose file names are Unicode: only the wide functions
  // spell every folder name. The Windows 95 family's names are ANSI, and its
  // wide functions are stubs.
  bool wideFileNames;

  static LoaderFeatures OfThisSystem();
};

// Takes the current directory out of the search for every library the
// process loads by name, the dependencies of a library loaded by full path
// included, where Windows lets it: SetDefaultDllDirectories (Windows 8, and
// Vista and 7 with KB2533623) and SetDllDirectoryA (XP SP1 and later).
// Process-wide: called once, before anything is loaded.
void RemoveCurrentDirectoryFromLibrarySearch();

// Picks the best way the running Windows offers: with the search flags
// LoadLibraryExA searches the exe's folder and System32 itself, for the
// library and its dependencies; elsewhere (Windows 95 to 7 without the
// update) the exe's folder, the system folder and the Windows folder are
// tried by full path. Returns nullptr when no folder yields the library.
HMODULE LoadLibraryNotFromCurrentDirectory(
    const char* fileName, LoaderFeatures features = LoaderFeatures::OfThisSystem());

// For a DLL that the program's manifest names as a side-by-side assembly
// (comctl32.dll version 6): loaded by its bare name where the activation
// context redirects that name, since the redirection never applies to a full
// path and never reaches the current directory; elsewhere as
// LoadLibraryNotFromCurrentDirectory.
HMODULE LoadSideBySideLibrary(const char* fileName,
                              LoaderFeatures features = LoaderFeatures::OfThisSystem());

}  // namespace tervane
