// Runs tervane.exe as its debugger with failures planted, plays the user, and tells what was seen.
//   runner FAULTS_DLL
// Reads one command per line from standard input, its words separated by tabs:
//   version EXE VERSION            Wine reports VERSION (win7, win98, ...) to programs named EXE
//   run EXE SCENARIO [FAULT...]    one run of EXE, the stand-in bridge library reading SCENARIO;
//                                  each FAULT is NAME:CALL:once or NAME:CALL:always
// and answers each with lines of its findings, the last one "done".
//
// A run starts EXE under this debugger and stops it at its entry point,
// where a thread of its own loads FAULTS_DLL (faults.cpp), which plants the
// failures. The user is then played: every message box the program shows is
// read and dismissed with OK; once the window is on the screen, its label is
// read, Refresh is clicked, the label read again and the window closed. The
// findings are the message boxes, the two labels, a crash (an exception
// nothing handled), a hang (no end within the time limit), the exit code and
// the calls the planted library counted.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fault_channel.h"
#include "support/byte_text.h"

namespace {

using tervane::sweep::Channel;

constexpr DWORD kTimeLimitMs = 20000;

std::wstring faultsDll;
Channel* channel = nullptr;

struct Findings {
  DWORD processId = 0;
  std::vector<std::string> boxes;
  std::vector<HWND> dismissed;
  // The number of boxes, which the user's thread reads.
  volatile LONG boxCount = 0;
  std::string label, refreshed;
  DWORD exitCode = 0;
  DWORD crash = 0;
  bool hang = false;
  volatile LONG ended = 0;
};

std::string TextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Search {
  DWORD processId;
  const char* className;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.processId && ClassOf(window) == search.className) {
    search.found.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> TopLevel(DWORD processId, const char* className) {
  Search search{processId, className, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// The text a message box shows: its static control that is not the icon.
std::string MessageText(HWND box) {
  for (HWND child : Children(box)) {
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON && !TextOf(child).empty()) {
      return TextOf(child);
    }
  }
  return {};
}

// Reads each message box once it is on the screen with its text, and presses OK.
void DismissBoxes(Findings& seen) {
  for (HWND box : TopLevel(seen.processId, "#32770")) {
    bool known = false;
    for (HWND done : seen.dismissed) known = known || done == box;
    const std::string text = MessageText(box);
    if (known || !IsWindowVisible(box) || text.empty()) continue;
    seen.dismissed.push_back(box);
    seen.boxes.push_back(text);
    InterlockedIncrement(&seen.boxCount);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
}

HWND ChildOfClass(HWND parent, const char* className, const char* text = nullptr) {
  for (HWND child : Children(parent)) {
    if (lstrcmpiA(ClassOf(child).c_str(), className) == 0 && (!text || TextOf(child) == text)) {
      return child;
    }
  }
  return nullptr;
}

// The user: waits for the window, reads the label, clicks Refresh (which
// returns once the click is handled), reads the label again and closes.
DWORD WINAPI PlayTheUser(void* param) {
  auto& seen = *static_cast<Findings*>(param);
  HWND main = nullptr;
  while (!seen.ended) {
    for (HWND window : TopLevel(seen.processId, "TervaneMain")) {
      if (IsWindowVisible(window)) main = window;
    }
    if (main) break;
    Sleep(5);
  }
  if (!main) return 0;
  seen.label = TextOf(ChildOfClass(main, "Static"));
  DWORD_PTR result = 0;
  SendMessageTimeoutA(ChildOfClass(main, "Button", "Refresh"), BM_CLICK, 0, 0, SMTO_NORMAL,
                      kTimeLimitMs, &result);
  if (!IsWindow(main) || seen.boxCount != 0) return 0;
  seen.refreshed = TextOf(ChildOfClass(main, "Static"));
  PostMessageA(main, WM_CLOSE, 0, 0);
  return 0;
}

void SetInstructionPointer(HANDLE thread, std::uintptr_t address) {
  CONTEXT context = {};
  context.ContextFlags = CONTEXT_CONTROL;
  GetThreadContext(thread, &context);
#ifdef _WIN64
  context.Rip = address;
#else
  context.Eip = address;
#endif
  SetThreadContext(thread, &context);
}

// The debugged program's state, from its first event to its exit.
struct Debuggee {
  HANDLE process = nullptr;
  HANDLE mainThread = nullptr;
  std::uintptr_t entry = 0;
  BYTE entryByte = 0;
  DWORD planter = 0;
};

void BreakAtEntry(Debuggee& d) {
  const BYTE breakpoint = 0xCC;
  auto* at = reinterpret_cast<void*>(d.entry);
  ReadProcessMemory(d.process, at, &d.entryByte, 1, nullptr);
  WriteProcessMemory(d.process, at, &breakpoint, 1, nullptr);
  FlushInstructionCache(d.process, at, 1);
}

// At the entry point: the code is put back, the program's thread held, and a
// thread of the planter's own loads the library; the program resumes once
// that thread has ended.
void PlantAtEntry(Debuggee& d) {
  auto* at = reinterpret_cast<void*>(d.entry);
  WriteProcessMemory(d.process, at, &d.entryByte, 1, nullptr);
  FlushInstructionCache(d.process, at, 1);
  SetInstructionPointer(d.mainThread, d.entry);
  SuspendThread(d.mainThread);
  const SIZE_T size = (faultsDll.size() + 1) * sizeof(wchar_t);
  void* path = VirtualAllocEx(d.process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  WriteProcessMemory(d.process, path, faultsDll.c_str(), size, nullptr);
  // kernel32 lies at the same address in every process of the prefix.
  auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryW")));
  HANDLE thread = CreateRemoteThread(d.process, nullptr, 0, load, path, 0, &d.planter);
  if (thread) {
    CloseHandle(thread);
  } else {
    ResumeThread(d.mainThread);
  }
}

DWORD OnException(Debuggee& d, const EXCEPTION_DEBUG_INFO& info, Findings& seen) {
  const auto address = reinterpret_cast<std::uintptr_t>(info.ExceptionRecord.ExceptionAddress);
  if (info.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
    if (address == d.entry && d.planter == 0) PlantAtEntry(d);
    return DBG_CONTINUE;
  }
  if (info.dwFirstChance == 0) {
    seen.crash = info.ExceptionRecord.ExceptionCode;
    TerminateProcess(d.process, seen.crash);
  }
  return DBG_EXCEPTION_NOT_HANDLED;
}

// True once the process has ended.
bool OnEvent(Debuggee& d, const DEBUG_EVENT& event, Findings& seen, DWORD& status) {
  status = DBG_CONTINUE;
  switch (event.dwDebugEventCode) {
    case CREATE_PROCESS_DEBUG_EVENT:
      d.process = event.u.CreateProcessInfo.hProcess;
      d.mainThread = event.u.CreateProcessInfo.hThread;
      d.entry = reinterpret_cast<std::uintptr_t>(event.u.CreateProcessInfo.lpStartAddress);
      if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
      BreakAtEntry(d);
      break;
    case LOAD_DLL_DEBUG_EVENT:
      if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
      break;
    case EXIT_THREAD_DEBUG_EVENT:
      if (event.dwThreadId == d.planter) ResumeThread(d.mainThread);
      break;
    case EXCEPTION_DEBUG_EVENT:
      status = OnException(d, event.u.Exception, seen);
      break;
    case EXIT_PROCESS_DEBUG_EVENT:
      seen.exitCode = event.u.ExitProcess.dwExitCode;
      return true;
    default:
      break;
  }
  return false;
}

void Debug(const PROCESS_INFORMATION& started, Findings& seen) {
  Debuggee d;
  const DWORD deadline = GetTickCount() + kTimeLimitMs;
  for (bool ended = false; !ended;) {
    DEBUG_EVENT event;
    if (WaitForDebugEvent(&event, 10)) {
      DWORD status = DBG_CONTINUE;
      ended = OnEvent(d, event, seen, status);
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    DismissBoxes(seen);
    if (!seen.hang && static_cast<LONG>(GetTickCount() - deadline) > 0) {
      seen.hang = true;
      TerminateProcess(started.hProcess, 0);
    }
  }
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == separator) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

bool PlanFaults(const std::vector<std::string>& faults) {
  channel->faultCount = 0;
  for (const std::string& text : faults) {
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() != 3 || channel->faultCount == tervane::sweep::kMaxFaults) return false;
    auto& fault = channel->faults[channel->faultCount++];
    lstrcpynA(fault.name, parts[0].c_str(), sizeof fault.name);
    fault.call = static_cast<std::uint32_t>(std::strtoul(parts[1].c_str(), nullptr, 10));
    fault.persistent = parts[2] == "always" ? 1 : 0;
  }
  return true;
}

void Report(const Findings& seen) {
  using tervane::test::EscapeBytes;
  std::printf("exit 0x%lx\n", static_cast<unsigned long>(seen.exitCode));
  if (seen.crash) std::printf("crash 0x%lx\n", static_cast<unsigned long>(seen.crash));
  if (seen.hang) std::printf("hang\n");
  for (const std::string& box : seen.boxes) std::printf("box %s\n", EscapeBytes(box).c_str());
  if (!seen.label.empty()) std::printf("label %s\n", EscapeBytes(seen.label).c_str());
  if (!seen.refreshed.empty()) std::printf("refreshed %s\n", EscapeBytes(seen.refreshed).c_str());
  std::printf(
      "patched %lu struck %lu lost %lu quit-pending %lu\n",
      static_cast<unsigned long>(channel->patched), static_cast<unsigned long>(channel->struck),
      static_cast<unsigned long>(channel->lost), static_cast<unsigned long>(channel->quitPending));
  for (std::uint32_t i = 0; i < channel->importCount; ++i) {
    const auto& import = channel->imports[i];
    std::printf("import %s %lu %lu %lu\n", import.name, static_cast<unsigned long>(import.hooked),
                static_cast<unsigned long>(import.calls),
                static_cast<unsigned long>(import.failedAlone));
  }
  for (std::uint32_t i = 0; i < channel->siteCount; ++i) {
    const auto& site = channel->sites[i];
    std::printf("site %s 0x%lx %lu %lu %lu\n", channel->imports[site.import].name,
                static_cast<unsigned long>(site.offset), static_cast<unsigned long>(site.firstCall),
                static_cast<unsigned long>(site.afterFault),
                static_cast<unsigned long>(site.struck));
  }
}

// The folder of the program, for its current directory: the stand-in beside
// the program must be found there, never in the current directory.
std::string CurrentDirectoryFor(const std::string& exe) {
  const auto slash = exe.find_last_of("\\/");
  return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "\\..\\cwd";
}

void Run(const std::vector<std::string>& words) {
  ZeroMemory(channel, sizeof(Channel));
  if (words.size() < 3 || !PlanFaults({words.begin() + 3, words.end()})) {
    std::printf("error: run EXE SCENARIO [NAME:CALL:once|always...]\n");
    return;
  }
  SetEnvironmentVariableA("TERVANE_STANDIN_SCENARIO", words[2].c_str());
  // What the program writes to its standard handles (the C run-time's own
  // last words) goes nowhere, not into these answers.
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE nowhere =
      CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, 0, &inherited, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nowhere;
  PROCESS_INFORMATION started = {};
  const std::string& exe = words[1];
  const BOOL created =
      CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, TRUE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                     CurrentDirectoryFor(exe).c_str(), &startup, &started);
  CloseHandle(nowhere);
  if (!created) {
    std::printf("error: cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
    return;
  }
  Findings seen;
  seen.processId = started.dwProcessId;
  HANDLE user = CreateThread(nullptr, 0, PlayTheUser, &seen, 0, nullptr);
  Debug(started, seen);
  InterlockedExchange(&seen.ended, 1);
  WaitForSingleObject(user, INFINITE);
  CloseHandle(user);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  Report(seen);
}

void SetVersion(const std::vector<std::string>& words) {
  HKEY key = nullptr;
  const std::string path = "Software\\Wine\\AppDefaults\\" + words.at(1);
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS ||
      RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(words.at(2).c_str()),
                     static_cast<DWORD>(words.at(2).size()) + 1) != ERROR_SUCCESS) {
    std::printf("error: cannot set the version of %s\n", words[1].c_str());
  }
  if (key) RegCloseKey(key);
}

// The shared memory stays for the runner's life, cleared for each run.
bool MakeChannel() {
  char name[64];
  std::snprintf(name, sizeof name, "tervane-fault-channel-%lu", GetCurrentProcessId());
  HANDLE mapping =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Channel), name);
  channel =
      mapping ? static_cast<Channel*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
  SetEnvironmentVariableA(tervane::sweep::kChannelVariable, name);
  return channel != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: runner FAULTS_DLL\n");
    return 2;
  }
  wchar_t given[MAX_PATH];
  wchar_t path[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, argv[1], -1, given, MAX_PATH) ||
      !GetFullPathNameW(given, MAX_PATH, path, nullptr) || !MakeChannel()) {
    std::fprintf(stderr, "runner: cannot set up (error %lu)\n", GetLastError());
    return 1;
  }
  faultsDll = path;
  char line[4096];
  while (std::fgets(line, sizeof line, stdin)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::vector<std::string> words = Split(text, '\t');
    if (words[0] == "run") {
      Run(words);
    } else if (words[0] == "version" && words.size() == 3) {
      SetVersion(words);
    } else if (!words[0].empty()) {
      std::printf("error: unknown command %s\n", words[0].c_str());
    }
    std::printf("done\n");
    std::fflush(stdout);
  }
  return 0;
}
