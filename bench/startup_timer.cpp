// Times programs from process creation until their window is visible with a given static text.
//   startup_timer ROUNDS TIMEOUT_MS NAME EXE TEXT [NAME EXE TEXT]...
// A warm-up round first, then ROUNDS rounds that start each program in turn.
// Each run is closed with WM_CLOSE once measured, and killed if it does not
// end within the timeout. Prints every run, then per program the median,
// minimum and maximum in ms, and the ratio of the first program's median to
// each other's. Exit code 1 when a run fails.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Program {
  std::string name;
  std::string exe;
  std::string text;  // what its static control shows once its result is there
  std::vector<double> runsMs;
};

struct Search {
  DWORD processId;
  const std::string* text;
  HWND found;
};

double Frequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart);
}

double MsSince(const LARGE_INTEGER& start) {
  static const double frequency = Frequency();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / frequency;
}

// GetWindowTextA reads another process's window text without sending it a
// message, so polling does not wait on the program's message loop.
BOOL CALLBACK FindText(HWND child, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  char className[32] = {};
  char text[256] = {};
  GetClassNameA(child, className, sizeof className);
  GetWindowTextA(child, text, sizeof text);
  if (lstrcmpiA(className, "Static") != 0 || *search->text != text) return TRUE;
  search->found = GetAncestor(child, GA_ROOT);
  return FALSE;
}

BOOL CALLBACK FindShownWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId || !IsWindowVisible(window)) return TRUE;
  EnumChildWindows(window, FindText, lParam);
  return search->found == nullptr;
}

HWND ShownWindow(DWORD processId, const std::string& text) {
  Search search{processId, &text, nullptr};
  EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void EndProcess(const PROCESS_INFORMATION& process, HWND window, DWORD timeoutMs) {
  if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, window != nullptr ? timeoutMs : 0) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, timeoutMs);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// The time in ms, or a negative value when the program failed to start,
// ended early or did not show its text in time.
double TimeOneStart(const Program& program, DWORD timeoutMs) {
  std::string commandLine = "\"" + program.exe + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::printf("error: cannot start %s (%lu)\n", program.exe.c_str(), GetLastError());
    return -1;
  }
  double elapsed = -1;
  HWND window = nullptr;
  for (;;) {
    window = ShownWindow(process.dwProcessId, program.text);
    if (window != nullptr) {
      elapsed = MsSince(start);
      break;
    }
    // Doubles as the 1 ms pause between polls.
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
      std::printf("error: %s ended before showing \"%s\"\n", program.name.c_str(),
                  program.text.c_str());
      break;
    }
    if (MsSince(start) > timeoutMs) {
      std::printf("error: %s did not show \"%s\" within %lu ms\n", program.name.c_str(),
                  program.text.c_str(), timeoutMs);
      break;
    }
  }
  EndProcess(process, window, timeoutMs);
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintSummary(const std::vector<Program>& programs) {
  for (const auto& p : programs) {
    const auto [low, high] = std::minmax_element(p.runsMs.begin(), p.runsMs.end());
    std::printf("startup %s runs=%zu median=%.1f min=%.1f max=%.1f ms\n", p.name.c_str(),
                p.runsMs.size(), Median(p.runsMs), *low, *high);
  }
  for (std::size_t i = 1; i < programs.size(); ++i) {
    std::printf("startup ratio %s/%s = %.2f\n", programs[0].name.c_str(), programs[i].name.c_str(),
                Median(programs[0].runsMs) / Median(programs[i].runsMs));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6 || (argc - 3) % 3 != 0) {
    std::printf("usage: startup_timer ROUNDS TIMEOUT_MS NAME EXE TEXT [NAME EXE TEXT]...\n");
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const auto timeoutMs = static_cast<DWORD>(std::atoi(argv[2]));
  std::vector<Program> programs;
  for (int i = 3; i + 2 < argc; i += 3) programs.push_back({argv[i], argv[i + 1], argv[i + 2], {}});
  for (int round = 0; round <= rounds; ++round) {
    for (auto& program : programs) {
      const double ms = TimeOneStart(program, timeoutMs);
      if (ms < 0) return 1;
      if (round == 0) {
        std::printf("warm-up %s %.1f ms\n", program.name.c_str(), ms);
      } else {
        program.runsMs.push_back(ms);
        std::printf("run %d %s %.1f ms\n", round, program.name.c_str(), ms);
      }
      std::fflush(stdout);
    }
  }
  if (rounds > 0) PrintSummary(programs);
  return 0;
}
