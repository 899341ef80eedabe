// The one report of a fatal error: its wording, formed without memory of its own.
#include "app/fatal_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>

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
  EXPECT_STREQ(kOutOfMemoryMessage, "Run-time error '7':\n\nOut of memory");
  EXPECT_STREQ(kInternalErrorMessage, "Run-time error '51':\n\nInternal error");
}

TEST(ReportFatalErrorTest, OtherExceptionsGiveTheirOwnText) {
  const std::out_of_range index("index 70");
  const std::runtime_error empty("");
  EXPECT_EQ(Reported(&index), "index 70");
  EXPECT_EQ(Reported(&empty), "Unexpected error");
  EXPECT_EQ(Reported(nullptr), "Unexpected error");
}

// The message is formed in a fixed buffer: a description too long for it is
// cut short, and the text still ends where the buffer does.
TEST(ReportFatalErrorTest, ADescriptionTooLongForTheBufferIsCutShort) {
  const std::string prefix = "Run-time error '53':\n\n";
  for (const std::size_t length : {480u, 489u, 490u, 491u, 5000u}) {
    SCOPED_TRACE(length);
    const RuntimeError long_name(ErrorCode::FileNotFound, std::string(length, 'x'));
    const std::string shown = Reported(&long_name);
    EXPECT_EQ(shown.substr(0, prefix.size()), prefix);
    EXPECT_EQ(shown.size(), std::min<std::size_t>(prefix.size() + length, 511));
    EXPECT_EQ(shown.find_first_not_of('x', prefix.size()), std::string::npos);
  }
}

}  // namespace
}  // namespace tervane
