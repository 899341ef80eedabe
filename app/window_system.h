// What the main window needs from the window system it runs on.
#pragma once

#include <string>

namespace tervane {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // Tells the user of an error that ends the program; returns when the user
  // has dismissed the message.
  virtual void ShowFatalError(const std::string& message) = 0;
  // Ends the program at once: the window is torn down without its unload
  // step, and the process exits with the code given.
  virtual void EndProgram(int exitCode) = 0;
};

}  // namespace tervane
