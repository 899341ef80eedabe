// What the main window needs from the window system it runs on.
#pragma once

namespace tervane {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // Tells the user of an error that ends the program; returns when the user
  // has dismissed the message, or at once when no way of showing it is left.
  // Needs no memory, so that it can tell of memory running out.
  virtual void ShowFatalError(const char* message) noexcept = 0;
  // Ends the program at once: the window is torn down without its unload
  // step, and the process exits with the code given.
  virtual void EndProgram(int exitCode) = 0;
};

}  // namespace tervane
