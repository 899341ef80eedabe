// Loads DLLs from the exe's folder and the system folders only, on every Windows from 95 on.
#include "platform/win32/library_loader.h"

#include <string>
#include <vector>

#include "platform/win32/run_time_function.h"

namespace tervane {
namespace {

template <typename Function>
Function Kernel32Function(const char* name) {
  return LookUpSystemFunction<Function>("kernel32.dll", name);
}

// Calls a kernel32 function that some Windows lack; a missing one gives the
// zero of its result.
template <typename Result, typename... Params, typename... Args>
Result CallIfPresent(const char* name, Args... args) {
  auto function = Kernel32Function<Result(WINAPI*)(Params...)>(name);
  return function != nullptr ? function(args...) : Result();
}

// Whether the active activation context maps the DLL name to an assembly's file.
bool ActivationContextRedirects(const char* fileName) {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  return CallIfPresent<BOOL, DWORD, const GUID*, ULONG, LPCSTR, PACTCTX_SECTION_KEYED_DATA>(
             "FindActCtxSectionStringA", DWORD{0}, nullptr,
             ULONG{ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION}, fileName, &data) != FALSE;
}

// The file functions of one width. An ANSI path spells each character outside
// the code page as '?', so on the NT family only the wide ones name every
// folder; they are looked up, as Windows 95 exports them only as stubs.
struct AnsiFiles {
  using Char = char;
  static DWORD ExePath(char* buffer, DWORD size) {
    return GetModuleFileNameA(nullptr, buffer, size);
  }
  static UINT SystemFolder(char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }
  static UINT WindowsFolder(char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }
  static HMODULE Load(const char* path) {
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  static std::string Name(const char* fileName) { return fileName; }
};

struct WideFiles {
  using Char = wchar_t;
  static DWORD ExePath(wchar_t* buffer, DWORD size) {
    return CallIfPresent<DWORD, HMODULE, LPWSTR, DWORD>("GetModuleFileNameW", HMODULE{}, buffer,
                                                        size);
  }
  static UINT SystemFolder(wchar_t* buffer, UINT size) {
    return CallIfPresent<UINT, LPWSTR, UINT>("GetSystemDirectoryW", buffer, size);
  }
  static UINT WindowsFolder(wchar_t* buffer, UINT size) {
    return CallIfPresent<UINT, LPWSTR, UINT>("GetWindowsDirectoryW", buffer, size);
  }
  static HMODULE Load(const wchar_t* path) {
    return CallIfPresent<HMODULE, LPCWSTR, HANDLE, DWORD>("LoadLibraryExW", path, HANDLE{},
                                                          DWORD{LOAD_WITH_ALTERED_SEARCH_PATH});
  }
  static std::wstring Name(const char* fileName) {
    std::vector<wchar_t> buffer(MAX_PATH);
    const int length = MultiByteToWideChar(CP_ACP, 0, fileName, -1, buffer.data(),
                                           static_cast<int>(buffer.size()));
    return length > 0 ? std::wstring(buffer.data()) : std::wstring();
  }
};

template <typename Char>
using Text = std::basic_string<Char>;

template <typename Char>
Text<Char> WithTrailingBackslash(Text<Char> folder) {
  if (!folder.empty() && folder.back() != Char('\\')) folder += Char('\\');
  return folder;
}

// GetSystemDirectory and GetWindowsDirectory return the length, or the size
// needed when the buffer is too small, or 0 on failure.
template <typename Char, typename Query>
Text<Char> QueryFolder(Query query) {
  std::vector<Char> buffer(MAX_PATH + 1);
  UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = query(buffer.data(), static_cast<UINT>(buffer.size()));
  }
  if (length == 0 || length >= buffer.size()) return {};
  return WithTrailingBackslash(Text<Char>(buffer.data(), length));
}

// GetModuleFileName fills the whole buffer when the name does not fit and
// tells no size, so the buffer doubles until the name fits, up to the room
// of the longest path the NT family has (32767 characters).
template <typename Files, typename Char = typename Files::Char>
Text<Char> ExeFolder() {
  for (DWORD size = MAX_PATH + 1; size <= 2 * 32768; size *= 2) {
    std::vector<Char> buffer(size);
    const DWORD length = Files::ExePath(buffer.data(), size);
    if (length == 0) return {};
    if (length >= size) continue;
    const Text<Char> path(buffer.data(), length);
    const auto slash = path.find_last_of(Char('\\'));
    return slash == Text<Char>::npos ? Text<Char>() : path.substr(0, slash + 1);
  }
  return {};
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

HMODULE LoadWithSearchFlags(const char* fileName) {
  QuietLoaderErrors quiet;
  return LoadLibraryExA(fileName, nullptr,
                        LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The exe's folder, the system folder and the Windows folder, each by full
// path; a folder whose name cannot be had is passed over.
template <typename Files, typename Char = typename Files::Char>
HMODULE LoadFromTrustedFolders(const char* fileName) {
  const Text<Char> name = Files::Name(fileName);
  const Text<Char> folders[] = {ExeFolder<Files>(), QueryFolder<Char>(Files::SystemFolder),
                                QueryFolder<Char>(Files::WindowsFolder)};
  QuietLoaderErrors quiet;
  for (const Text<Char>& folder : folders) {
    if (folder.empty() || name.empty()) continue;
    if (HMODULE module = Files::Load((folder + name).c_str())) return module;
  }
  return nullptr;
}

}  // namespace

// Only the presence of a function tells what the loader can do; older
// loaders reject or, worse, ignore unknown flags. GetVersion's top bit marks
// the Windows 95 family.
LoaderFeatures LoaderFeatures::OfThisSystem() {
  return {Kernel32Function<AnyFunction>("SetDefaultDllDirectories") != nullptr,
          Kernel32Function<AnyFunction>("FindActCtxSectionStringA") != nullptr,
          (GetVersion() & 0x80000000u) == 0};
}

void RemoveCurrentDirectoryFromLibrarySearch() {
  CallIfPresent<BOOL, DWORD>("SetDefaultDllDirectories", DWORD{LOAD_LIBRARY_SEARCH_DEFAULT_DIRS});
  CallIfPresent<BOOL, LPCSTR>("SetDllDirectoryA", "");
}

HMODULE LoadLibraryNotFromCurrentDirectory(const char* fileName, LoaderFeatures features) {
  // The flag search covers the exe's folder and System32; the full-path
  // search adds the Windows folder, which the old search order also served.
  if (features.searchFlags) {
    if (HMODULE module = LoadWithSearchFlags(fileName)) return module;
  }
  return features.wideFileNames ? LoadFromTrustedFolders<WideFiles>(fileName)
                                : LoadFromTrustedFolders<AnsiFiles>(fileName);
}

HMODULE LoadSideBySideLibrary(const char* fileName, LoaderFeatures features) {
  if (features.activationContexts && ActivationContextRedirects(fileName)) {
    QuietLoaderErrors quiet;
    return LoadLibraryA(fileName);
  }
  return LoadLibraryNotFromCurrentDirectory(fileName, features);
}

}  // namespace tervane
