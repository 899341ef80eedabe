// Test helper: the folders the loader searches, as the tests see them, in ANSI and in full.
#pragma once

#include <windows.h>

#include <string>

namespace tervane {
namespace test {

inline std::string WithTrailingBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// The folder of the module's file, ending in a backslash, as GetModuleFileNameA
// spells it: a character outside the ANSI code page becomes '?'.
inline std::string FolderOf(HMODULE module) {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  const std::string name(path);
  return name.substr(0, name.find_last_of('\\') + 1);
}

// The same folder in full, as long as the NT family's paths go.
inline std::wstring WideFolderOf(HMODULE module) {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

inline std::string ExeFolder() { return FolderOf(nullptr); }

inline std::string SystemFolder() {
  char folder[MAX_PATH + 1] = {};
  GetSystemDirectoryA(folder, MAX_PATH);
  return WithTrailingBackslash(folder);
}

inline std::string WindowsFolder() {
  char folder[MAX_PATH + 1] = {};
  GetWindowsDirectoryA(folder, MAX_PATH);
  return WithTrailingBackslash(folder);
}

inline bool SameFolder(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

inline bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

}  // namespace test
}  // namespace tervane
