// Loads DLLs from the exe's folder and the system folders only, on every Windows from 95 on.
#include "platform/win32/library_loader.h"

#include <vector>

#include "platform/win32/run_time_function.h"

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
using FindActCtxSectionStringAFn = BOOL(WINAPI*)(DWORD, const GUID*, ULONG, LPCSTR,
                                                 PACTCTX_SECTION_KEYED_DATA);

template <typename Function>
Function Kernel32Function(const char* name) {
  return LookUpSystemFunction<Function>("kernel32.dll", name);
}

// Removes the current directory from the search for the dependencies of a
// library loaded by full path. Process-wide, and harmless to repeat.
void DropCurrentDirectoryFromSearch() {
  if (auto setDllDirectory = Kernel32Function<SetDllDirectoryAFn>("SetDllDirectoryA")) {
    setDllDirectory("");
  }
}

// Whether the active activation context maps the DLL name to an assembly's file.
bool ActivationContextRedirects(const char* fileName) {
  auto find = Kernel32Function<FindActCtxSectionStringAFn>("FindActCtxSectionStringA");
  if (find == nullptr) return false;
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  return find(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, fileName, &data) != FALSE;
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

// Only the presence of a function tells what the loader can do; older
// loaders reject or, worse, ignore unknown flags.
LoaderFeatures LoaderFeatures::OfThisSystem() {
  return {Kernel32Function<AnyFunction>("SetDefaultDllDirectories") != nullptr,
          Kernel32Function<AnyFunction>("FindActCtxSectionStringA") != nullptr};
}

HMODULE LoadWithSearchFlags(const char* fileName) {
  if (!LoaderFeatures::OfThisSystem().searchFlags) return nullptr;
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

HMODULE LoadLibraryNotFromCurrentDirectory(const char* fileName, LoaderFeatures features) {
  // The flag search covers the exe's folder and System32; the full-path
  // search adds the Windows folder, which the old search order also served.
  if (features.searchFlags) {
    if (HMODULE module = LoadWithSearchFlags(fileName)) return module;
  }
  return LoadFromTrustedFolders(fileName);
}

HMODULE LoadSideBySideLibrary(const char* fileName, LoaderFeatures features) {
  if (features.activationContexts && ActivationContextRedirects(fileName)) {
    QuietLoaderErrors quiet;
    return LoadLibraryA(fileName);
  }
  return LoadLibraryNotFromCurrentDirectory(fileName, features);
}

}  // namespace tervane
