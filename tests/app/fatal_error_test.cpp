// Wording of the message that reports a fatal error.
#include "app/fatal_error.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/runtime_error.h"

namespace tervane {
namespace {

TEST(FatalErrorMessageTest, NumbersRuntimeErrorsAndKeepsTheirDescription) {
  EXPECT_EQ(FatalErrorMessage(RuntimeError::Overflow()), "Run-time error '6':\n\nOverflow");
  EXPECT_EQ(FatalErrorMessage(RuntimeError::FileNotFound("usbdongle.dll")),
            "Run-time error '53':\n\nFile not found: usbdongle.dll");
  EXPECT_EQ(FatalErrorMessage(RuntimeError::SystemCallFailed("Can't create the main window", 8)),
            "Run-time error '51':\n\nCan't create the main window (Windows error 8)");
}

TEST(FatalErrorMessageTest, OutOfMemoryGetsItsClassicNumber) {
  EXPECT_EQ(FatalErrorMessage(std::bad_alloc()), "Run-time error '7':\n\nOut of memory");
}

TEST(FatalErrorMessageTest, OtherExceptionsGiveTheirOwnText) {
  EXPECT_EQ(FatalErrorMessage(std::out_of_range("index 70")), "index 70");
  EXPECT_EQ(FatalErrorMessage(std::runtime_error("")), "Unexpected error");
}

}  // namespace
}  // namespace tervane
