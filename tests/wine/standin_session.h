// Test helper: a private scenario file and log for the stand-in usbdongle.dll, named by variables.
#pragma once

#include <string>
#include <vector>

namespace tervane {
namespace test {

// Points TERVANE_STANDIN_SCENARIO and TERVANE_STANDIN_LOG at two files in a
// fresh folder under the temporary folder; starts with no bridge attached
// and an empty log. The stand-in re-reads the scenario at every count.
class StandinSession {
 public:
  StandinSession();
  ~StandinSession();
  StandinSession(const StandinSession&) = delete;
  StandinSession& operator=(const StandinSession&) = delete;

  // Replaces the scenario with the given lines (standin/README.md).
  void Attach(const std::string& scenario);
  void DetachAll() { Attach(""); }

  std::vector<std::string> LogLines() const;
  void ClearLog();

 private:
  std::string folder_;
  std::string scenarioFile_;
  std::string logFile_;
};

}  // namespace test
}  // namespace tervane
