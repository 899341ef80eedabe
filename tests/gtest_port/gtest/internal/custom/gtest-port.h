// GoogleTest's documented port hook, ahead of its own on the include path: lets it build with
// mingw-w64's win32 thread model.
#pragma once

#include <atomic>

// GoogleTest's own Notification waits on std::mutex and std::condition_variable,
// which GCC 12's win32 thread model lacks. Only GoogleTest's tests of its own
// threads use it; none of ours does. This one needs neither.
#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() const {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
