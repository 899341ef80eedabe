// Loads DLLs from the exe's folder and the system folders only, on every Windows from 95 on.
#include "platform/win32/library_loader.h"

#include <vector>

namespace tervane {
namespace {

// Older SDK headers lack these; the values are fixed by the loader.
#ifndef LOAD_LIBRARY_SEARCH_APPLICATION_DIR
#define LOAD_LIBRARY_SEARCH_APPLICATION_DIR 0x00000200
#endif
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

using SetDllDirectoryAFn = BOOL(WINAPI*)(LPCSTR);

// As void*: casting FARPROC straight to another function type draws a warning.
void* Kernel32Function(const char* name) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  return kernel32 != nullptr ? reinterpret_cast<void*>(GetProcAddress(kernel32, name)) : nullptr;
}

// Only the presence of SetDefaultDllDirectories tells that LoadLibraryExA
// takes the LOAD_LIBRARY_SEARCH_* flags; older loaders reject or, worse,
// ignore unknown flags.
bool SearchFlagsSupported() { return Kernel32Function("SetDefaultDllDirectories") != nullptr; }

// Removes the current directory from the search for the dependencies of a
// library loaded by full path. Process-wide, and harmless to repeat.
void DropCurrentDirectoryFromSearch() {
  auto setDllDirectory = reinterpret_cast<SetDllDirectoryAFn>(Kernel32Function("SetDllDirectoryA"));
  if (setDllDirectory != nullptr) setDllDirectory("");
}

std::string WithTrailingBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// GetSystemDirectoryA and GetWindowsDirectoryA return the length, or the size
// needed when the buffer is too small, or 0 on failure.
template <typename Query>
std::string QueryFolder(Query query) {
  std::vector<char> buffer(MAX_PATH + 1);
  UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = query(buffer.data(), static_cast<UINT>(buffer.size()));
  }
  if (length == 0 || length >= buffer.size()) return {};
  return WithTrailingBackslash(std::string(buffer.data(), length));
}

HMODULE LoadByFullPath(const std::string& path) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  // A loader that does not know the flag still loads the exact file by its path.
  if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
    module = LoadLibraryA(path.c_str());
  }
  return module;
}

// Keeps Windows from showing a message box of its own when a library or one of
// its dependencies cannot be found; the caller reports the failure.
class QuietLoaderErrors {
 public:
  QuietLoaderErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~QuietLoaderErrors() { SetErrorMode(previous_); }
  QuietLoaderErrors(const QuietLoaderErrors&) = delete;
  QuietLoaderErrors& operator=(const QuietLoaderErrors&) = delete;

 private:
  UINT previous_;
};

}  // namespace

std::string ExeFolder() {
  std::vector<char> buffer(1024);
  const DWORD length =
      GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  // A length that fills the buffer means the name was cut short.
  if (length == 0 || length >= buffer.size()) return {};
  const std::string path(buffer.data(), length);
  const std::string::size_type slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string SystemFolder() {
  return QueryFolder([](LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
}

std::string WindowsFolder() {
  return QueryFolder([](LPSTR buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
}

HMODULE LoadWithSearchFlags(const char* fileName) {
  if (!SearchFlagsSupported()) return nullptr;
  QuietLoaderErrors quiet;
  return LoadLibraryExA(fileName, nullptr,
                        LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadFromTrustedFolders(const char* fileName) {
  DropCurrentDirectoryFromSearch();
  QuietLoaderErrors quiet;
  for (const std::string& folder : {ExeFolder(), SystemFolder(), WindowsFolder()}) {
    if (folder.empty()) continue;
    if (HMODULE module = LoadByFullPath(folder + fileName)) return module;
  }
  return nullptr;
}

HMODULE LoadLibraryNotFromCurrentDirectory(const char* fileName) {
  // The flag search covers the exe's folder and System32; the full-path
  // search adds the Windows folder, which the old search order also served.
  if (HMODULE module = LoadWithSearchFlags(fileName)) return module;
  return LoadFromTrustedFolders(fileName);
}

}  // namespace tervane
