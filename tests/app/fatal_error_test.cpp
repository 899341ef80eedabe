// The one report of a fatal error: its wording, and a report that itself fails.
#include "app/fatal_error.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app_fakes.h"
#include "platform/runtime_error.h"

namespace tervane {
namespace {

std::string Reported(const std::exception* error) {
  test::FakeWindowSystem windows;
  ReportFatalError(windows, error);
  EXPECT_EQ(windows.messages.size(), 1u);
  EXPECT_TRUE(windows.ends.empty()) << "ending is the caller's";
  return windows.messages.empty() ? std::string() : windows.messages[0];
}

TEST(ReportFatalErrorTest, NumbersRuntimeErrorsAndKeepsTheirDescription) {
  const RuntimeError overflow = RuntimeError::Overflow();
  const RuntimeError missing = RuntimeError::FileNotFound("usbdongle.dll");
  const RuntimeError failed = RuntimeError::SystemCallFailed("Can't create the main window", 8);
  EXPECT_EQ(Reported(&overflow), "Run-time error '6':\n\nOverflow");
  EXPECT_EQ(Reported(&missing), "Run-time error '53':\n\nFile not found: usbdongle.dll");
  EXPECT_EQ(Reported(&failed),
            "Run-time error '51':\n\nCan't create the main window (Windows error 8)");
}

TEST(ReportFatalErrorTest, OutOfMemoryGetsItsClassicNumber) {
  const std::bad_alloc error;
  EXPECT_EQ(Reported(&error), "Run-time error '7':\n\nOut of memory");
}

TEST(ReportFatalErrorTest, OtherExceptionsGiveTheirOwnText) {
  const std::out_of_range index("index 70");
  const std::runtime_error empty("");
  EXPECT_EQ(Reported(&index), "index 70");
  EXPECT_EQ(Reported(&empty), "Unexpected error");
  EXPECT_EQ(Reported(nullptr), "Unexpected error");
}

// A window system that cannot show the first message gets the plain one; one
// that can show none leaves the report quietly.
TEST(ReportFatalErrorTest, AReportThatFailsTriesThePlainMessageOnce) {
  struct Failing final : WindowSystem {
    int failures = 0;
    std::vector<std::string> tried;
    void ShowFatalError(const std::string& message) override {
      tried.push_back(message);
      if (failures-- > 0) throw std::bad_alloc();
    }
    void EndProgram(int) override {}
  };
  const RuntimeError overflow = RuntimeError::Overflow();
  for (const int failures : {1, 2}) {
    SCOPED_TRACE(failures);
    Failing windows;
    windows.failures = failures;
    ReportFatalError(windows, &overflow);
    EXPECT_EQ(windows.tried,
              (std::vector<std::string>{"Run-time error '6':\n\nOverflow", "Unexpected error"}));
  }
}

}  // namespace
}  // namespace tervane
