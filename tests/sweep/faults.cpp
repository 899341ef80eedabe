// The library the sweep plants in tervane.exe: every import that can fail fails when the plan says.
//
// Loaded into the program before its entry point runs, it points each slot
// of the exe's import address table whose function it knows at a stand-in of
// the same type. The stand-in counts the call, notes where it came from, and
// either calls the real function or returns that function's documented
// failure value with its last error. GetProcAddress hands out such stand-ins
// for the functions the program looks up at run time. The plan and the
// record are in the memory the sweep shares (fault_channel.h).
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <objbase.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "fault_channel.h"

namespace tervane::sweep {
namespace {

using AnyFunction = void (*)();

Channel* channel = nullptr;
std::uintptr_t exeBase = 0;

// A function name as a template argument, so that each function gets a stand-in of its own.
template <std::size_t N>
struct Name {
  char text[N];
  constexpr Name(const char (&name)[N]) {  // NOLINT: implicit, to take a literal
    for (std::size_t i = 0; i < N; ++i) text[i] = name[i];
  }
};

struct Failure {
  const char* name;
  std::intptr_t value;
  DWORD lastError;  // 0: left as it is
  AnyFunction standIn;
  AnyFunction* original;
};

void Copy(char (&to)[kNameSize], const char* from) {
  std::strncpy(to, from, kNameSize - 1);
  to[kNameSize - 1] = '\0';
}

// The channel's record of a function, made at its first use; -1 when full.
int Slot(const char* name, std::uint32_t hooked) {
  for (std::uint32_t i = 0; i < channel->importCount; ++i) {
    if (std::strcmp(channel->imports[i].name, name) == 0) return static_cast<int>(i);
  }
  if (channel->importCount == kMaxImports) return ++channel->lost, -1;
  Import& import = channel->imports[channel->importCount];
  Copy(import.name, name);
  import.hooked = hooked;
  return static_cast<int>(channel->importCount++);
}

// The record of the place the call came from; null when there is no room.
Site* NoteSite(int slot, std::uint32_t call, const void* returnAddress) {
  const auto offset =
      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(returnAddress) - exeBase);
  for (std::uint32_t i = 0; i < channel->siteCount; ++i) {
    Site& site = channel->sites[i];
    if (site.import == static_cast<std::uint32_t>(slot) && site.offset == offset) return &site;
  }
  if (channel->siteCount == kMaxSites) return ++channel->lost, nullptr;
  Site& site = channel->sites[channel->siteCount++];
  site = {static_cast<std::uint32_t>(slot), offset, call, channel->struck > 0 ? 1u : 0u, 0};
  return &site;
}

bool Planned(const char* name, std::uint32_t call) {
  for (std::uint32_t i = 0; i < channel->faultCount && i < kMaxFaults; ++i) {
    const Fault& fault = channel->faults[i];
    if (std::strcmp(fault.name, name) == 0 &&
        (call == fault.call || (fault.persistent != 0 && call > fault.call))) {
      return true;
    }
  }
  return false;
}

// A message box must not be called while WM_QUIT waits: its modal loop
// would take it as its end, before the user has read it. Only posted
// messages are looked at, so no sent message runs here.
void CheckQuitBefore(const char* name) {
  MSG message;
  if (std::strcmp(name, "MessageBoxA") == 0 &&
      PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE | PM_QS_POSTMESSAGE)) {
    ++channel->quitPending;
  }
}

// Counts the call and says whether the plan makes it fail.
bool Strikes(const char* name, const void* returnAddress) {
  CheckQuitBefore(name);
  const int slot = Slot(name, 1);
  if (slot < 0) return false;
  const std::uint32_t call = ++channel->imports[slot].calls;
  Site* site = NoteSite(slot, call, returnAddress);
  if (!Planned(name, call)) return false;
  ++channel->struck;
  if (site != nullptr && site->struck == 0) site->struck = channel->struck;
  return true;
}

template <typename Result>
Result FailureValue(std::intptr_t value) {
  if constexpr (std::is_pointer_v<Result>) {
    return reinterpret_cast<Result>(value);
  } else {
    return static_cast<Result>(value);
  }
}

// Counts a call whose real function gave its failure value.
template <typename Result>
Result Noted(const char* name, std::intptr_t value, Result result) {
  if (result == FailureValue<Result>(value)) {
    const int slot = Slot(name, 1);
    if (slot >= 0) ++channel->imports[slot].failedAlone;
  }
  return result;
}

template <Name N, typename Function>
struct StandIn;

// One specialisation per calling convention; on x86_64 there is only one.
template <Name N, typename Result, typename... Params>
struct StandIn<N, Result (*)(Params...)> {
  static inline AnyFunction original = nullptr;
  static inline std::intptr_t value = 0;
  static inline DWORD lastError = 0;
  static Result Call(Params... params) {
    if (Strikes(N.text, __builtin_return_address(0))) {
      if (lastError != 0) SetLastError(lastError);
      return FailureValue<Result>(value);
    }
    return Noted<Result>(N.text, value,
                         reinterpret_cast<Result (*)(Params...)>(original)(params...));
  }
};

#ifndef _WIN64
template <Name N, typename Result, typename... Params>
struct StandIn<N, Result(WINAPI*)(Params...)> {
  static inline AnyFunction original = nullptr;
  static inline std::intptr_t value = 0;
  static inline DWORD lastError = 0;
  static Result WINAPI Call(Params... params) {
    if (Strikes(N.text, __builtin_return_address(0))) {
      if (lastError != 0) SetLastError(lastError);
      return FailureValue<Result>(value);
    }
    return Noted<Result>(N.text, value,
                         reinterpret_cast<Result(WINAPI*)(Params...)>(original)(params...));
  }
};
#endif

template <Name N, typename Function>
Failure Declare(std::intptr_t value, DWORD lastError) {
  using S = StandIn<N, Function>;
  S::value = value;
  S::lastError = lastError;
  return {N.text, value, lastError, reinterpret_cast<AnyFunction>(&S::Call), &S::original};
}

#define FAILS(function, value, error) Declare<#function, decltype(&::function)>(value, error)
#define FAILS_AS(function, type, value, error) Declare<#function, type>(value, error)

// The bridge library's functions, which the program looks up.
using Cp210xCount = std::int32_t(WINAPI*)(std::int32_t*);
using Cp210xOpen = std::int32_t(WINAPI*)(std::int32_t, std::uint32_t*);
using Cp210xClose = std::int32_t(WINAPI*)(std::uint32_t);
using Cp210xId = std::int32_t(WINAPI*)(std::uint32_t, std::int32_t*);
using Cp210xSerial = std::int32_t(WINAPI*)(std::uint32_t, std::uint8_t*, std::int32_t*,
                                           std::int32_t*);
// A status the library gives when it cannot reach the bridge.
constexpr std::intptr_t kBridgeFailed = 0xFF;
// The C run-time's command-line parser at start-up (msvcrt; crtdll's returns nothing).
using GetMainArgs = int (*)(int*, char***, char***, int, void*);

// Every function the program imports or looks up whose failure the
// documentation gives: the value it returns then, and the last error it sets.
// The imports that cannot fail are listed, with the reason, in docs/design.md.
const Failure* Failures(std::size_t& count) {
  static const Failure failures[] = {
      FAILS(RegOpenKeyExA, ERROR_ACCESS_DENIED, 0),
      FAILS(RegOpenKeyA, ERROR_ACCESS_DENIED, 0),
      FAILS(RegQueryValueExA, ERROR_ACCESS_DENIED, 0),
      FAILS(RegCloseKey, ERROR_INVALID_HANDLE, 0),
      FAILS(malloc, 0, 0),
      FAILS(calloc, 0, 0),
      FAILS(realloc, 0, 0),
      FAILS(_onexit, 0, 0),
      FAILS(signal, -1, 0),
      FAILS_AS(__getmainargs, GetMainArgs, -1, 0),
      FAILS(CreateFontIndirectA, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(DeleteObject, FALSE, ERROR_INVALID_HANDLE),
      FAILS(GetDeviceCaps, 0, ERROR_INVALID_HANDLE),
      FAILS(GetObjectA, 0, ERROR_INVALID_HANDLE),
      FAILS(GetStockObject, 0, ERROR_INVALID_PARAMETER),
      FAILS(SelectObject, 0, ERROR_INVALID_HANDLE),
      FAILS(CloseHandle, FALSE, ERROR_INVALID_HANDLE),
      FAILS(CreateSemaphoreW, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(FreeLibrary, FALSE, ERROR_INVALID_HANDLE),
      FAILS(GetModuleFileNameA, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(GetModuleHandleA, 0, ERROR_MOD_NOT_FOUND),
      FAILS(GetSystemDirectoryA, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(GetWindowsDirectoryA, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(LoadLibraryA, 0, ERROR_MOD_NOT_FOUND),
      FAILS(LoadLibraryExA, 0, ERROR_MOD_NOT_FOUND),
      FAILS(MultiByteToWideChar, 0, ERROR_INSUFFICIENT_BUFFER),
      FAILS(ReleaseSemaphore, FALSE, ERROR_TOO_MANY_POSTS),
      FAILS(TlsAlloc, TLS_OUT_OF_INDEXES, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(TlsFree, FALSE, ERROR_INVALID_PARAMETER),
      FAILS(TlsGetValue, 0, ERROR_INVALID_PARAMETER),
      FAILS(TlsSetValue, FALSE, ERROR_INVALID_PARAMETER),
      FAILS(VirtualProtect, FALSE, ERROR_INVALID_ADDRESS),
      FAILS(VirtualQuery, 0, ERROR_INVALID_PARAMETER),
      FAILS(WaitForSingleObject, WAIT_FAILED, ERROR_INVALID_HANDLE),
      FAILS(AdjustWindowRectEx, FALSE, ERROR_INVALID_PARAMETER),
      FAILS(CreateWindowExA, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(DestroyWindow, FALSE, ERROR_INVALID_WINDOW_HANDLE),
      FAILS(DrawTextA, 0, ERROR_INVALID_HANDLE),
      FAILS(GetDC, 0, ERROR_INVALID_WINDOW_HANDLE),
      FAILS(GetMessageA, -1, ERROR_INVALID_WINDOW_HANDLE),
      FAILS(LoadCursorA, 0, ERROR_RESOURCE_NAME_NOT_FOUND),
      FAILS(LoadIconA, 0, ERROR_RESOURCE_NAME_NOT_FOUND),
      FAILS(MessageBoxA, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(PostMessageA, FALSE, ERROR_NOT_ENOUGH_QUOTA),
      FAILS(RegisterClassA, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(ReleaseDC, 0, 0),
      FAILS(SetFocus, 0, ERROR_INVALID_WINDOW_HANDLE),
      FAILS(SetWindowPos, FALSE, ERROR_INVALID_WINDOW_HANDLE),
      FAILS(SetWindowTextA, FALSE, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(UpdateWindow, FALSE, ERROR_INVALID_WINDOW_HANDLE),
      // Looked up at run time.
      FAILS(SetProcessDPIAware, FALSE, ERROR_ACCESS_DENIED),
      FAILS(GetDpiForWindow, 0, ERROR_INVALID_WINDOW_HANDLE),
      FAILS(AdjustWindowRectExForDpi, FALSE, ERROR_INVALID_PARAMETER),
      FAILS(SetDefaultDllDirectories, FALSE, ERROR_INVALID_PARAMETER),
      FAILS(SetDllDirectoryA, FALSE, ERROR_INVALID_PARAMETER),
      FAILS(FindActCtxSectionStringA, FALSE, ERROR_SXS_KEY_NOT_FOUND),
      FAILS(GetModuleFileNameW, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(GetSystemDirectoryW, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(GetWindowsDirectoryW, 0, ERROR_NOT_ENOUGH_MEMORY),
      FAILS(LoadLibraryExW, 0, ERROR_MOD_NOT_FOUND),
      FAILS(InitCommonControlsEx, FALSE, 0),
      FAILS(CoInitialize, E_OUTOFMEMORY, 0),
      FAILS(CoCreateInstance, E_OUTOFMEMORY, 0),
      FAILS_AS(CP210x_GetNumDevices, Cp210xCount, kBridgeFailed, 0),
      FAILS_AS(CP210x_Open, Cp210xOpen, kBridgeFailed, 0),
      FAILS_AS(CP210x_Close, Cp210xClose, kBridgeFailed, 0),
      FAILS_AS(CP210x_GetDeviceVid, Cp210xId, kBridgeFailed, 0),
      FAILS_AS(CP210x_GetDevicePid, Cp210xId, kBridgeFailed, 0),
      FAILS_AS(CP210x_GetDeviceSerialNumber, Cp210xSerial, kBridgeFailed, 0),
  };
  count = sizeof failures / sizeof failures[0];
  return failures;
}

const Failure* Find(const char* name) {
  std::size_t count = 0;
  const Failure* failures = Failures(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (std::strcmp(failures[i].name, name) == 0) return &failures[i];
  }
  return nullptr;
}

using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
GetProcAddressFn realGetProcAddress = nullptr;

// GetProcAddress can fail itself, and hands out a stand-in for each function
// whose failure is known; the others are recorded as looked up unchanged.
FARPROC WINAPI LookUp(HMODULE module, LPCSTR name) {
  if (Strikes("GetProcAddress", __builtin_return_address(0))) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  const FARPROC real = realGetProcAddress(module, name);
  if (real == nullptr || IS_INTRESOURCE(name)) return real;
  const Failure* failure = Find(name);
  if (failure == nullptr) {
    Slot(name, 2);
    return real;
  }
  *failure->original = reinterpret_cast<AnyFunction>(real);
  Slot(name, 1);
  return reinterpret_cast<FARPROC>(failure->standIn);
}

void Point(std::uintptr_t* slot, std::uintptr_t to) {
  DWORD protection = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
  *slot = to;
  VirtualProtect(slot, sizeof *slot, protection, &protection);
}

template <typename T>
T* At(std::uintptr_t offset) {
  return reinterpret_cast<T*>(exeBase + offset);
}

// Points every slot of the exe's import table whose function is known at its stand-in.
void PatchImports() {
  const auto* nt = At<IMAGE_NT_HEADERS>(At<IMAGE_DOS_HEADER>(0)->e_lfanew);
  const auto& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* dll = At<IMAGE_IMPORT_DESCRIPTOR>(directory.VirtualAddress); dll->Name != 0; ++dll) {
    const auto* names = At<IMAGE_THUNK_DATA>(dll->OriginalFirstThunk);
    auto* slots = At<IMAGE_THUNK_DATA>(dll->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = At<IMAGE_IMPORT_BY_NAME>(names->u1.AddressOfData)->Name;
      auto* slot = reinterpret_cast<std::uintptr_t*>(&slots->u1.Function);
      if (std::strcmp(name, "GetProcAddress") == 0) {
        realGetProcAddress = reinterpret_cast<GetProcAddressFn>(*slot);
        Slot(name, 1);
        Point(slot, reinterpret_cast<std::uintptr_t>(&LookUp));
      } else if (const Failure* failure = Find(name)) {
        *failure->original = reinterpret_cast<AnyFunction>(*slot);
        Slot(name, 1);
        Point(slot, reinterpret_cast<std::uintptr_t>(failure->standIn));
      } else {
        Slot(name, 0);
      }
    }
  }
}

void Attach() {
  char name[64] = {};
  if (GetEnvironmentVariableA(kChannelVariable, name, sizeof name) == 0) return;
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
  if (mapping == nullptr) return;
  // The view stays for the process's life; the program never sees it.
  channel = static_cast<Channel*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Channel)));
  CloseHandle(mapping);
  if (channel == nullptr) return;
  exeBase = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
  PatchImports();
  channel->patched = 1;
}

}  // namespace
}  // namespace tervane::sweep

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) tervane::sweep::Attach();
  return TRUE;
}
