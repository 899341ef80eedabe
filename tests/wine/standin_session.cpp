// Scenario and log files for the stand-in library, in a folder of their own.
#include "standin_session.h"

#include <windows.h>

#include <fstream>
#include <stdexcept>

namespace tervane {
namespace test {
namespace {

// Wine reuses small process ids, and a test that crashed leaves its folder
// behind, so names are tried until one is new.
std::string FreshFolder() {
  static int sessions = 0;
  char temp[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
  const std::string stem =
      std::string(temp) + "tervane-standin-" + std::to_string(GetCurrentProcessId()) + "-";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string folder = stem + std::to_string(++sessions) + "\\";
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a folder named " + stem + "N");
}

void WriteFile(const std::string& name, const std::string& text) {
  std::ofstream file(name, std::ios::binary | std::ios::trunc);
  file << text;
  if (!file) throw std::runtime_error("cannot write " + name);
}

}  // namespace

StandinSession::StandinSession()
    : folder_(FreshFolder()),
      scenarioFile_(folder_ + "scenario.txt"),
      logFile_(folder_ + "calls.log") {
  WriteFile(scenarioFile_, "");
  WriteFile(logFile_, "");
  SetEnvironmentVariableA("TERVANE_STANDIN_SCENARIO", scenarioFile_.c_str());
  SetEnvironmentVariableA("TERVANE_STANDIN_LOG", logFile_.c_str());
}

StandinSession::~StandinSession() {
  SetEnvironmentVariableA("TERVANE_STANDIN_SCENARIO", nullptr);
  SetEnvironmentVariableA("TERVANE_STANDIN_LOG", nullptr);
  DeleteFileA(scenarioFile_.c_str());
  DeleteFileA(logFile_.c_str());
  RemoveDirectoryA(folder_.c_str());
}

void StandinSession::Attach(const std::string& scenario) { WriteFile(scenarioFile_, scenario); }

std::vector<std::string> StandinSession::LogLines() const {
  std::ifstream file(logFile_, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

void StandinSession::ClearLog() { WriteFile(logFile_, ""); }

}  // namespace test
}  // namespace tervane
