// The main window's events against a fake bridge library: load, Refresh, Quit, unload, errors.
#include "app/frmMain.h"
#include "discovery/captions.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "app_fakes.h"
#include "platform/runtime_error.h"
#include "support/memory_bridge.h"
#include "support/memory_os_version.h"

namespace tervane {
namespace {

using Function = MemoryCp210x::Function;

constexpr const char* kNotFound = kNotFoundCaption;

class FrmMainTest : public ::testing::Test {
 protected:
  modMain state;
  MemoryCp210x bridge;
  MemoryOsVersion os{MemoryOsVersion::kWindowsXP};
  test::FakeLookup lookup;
  test::RecordingLabel label;
  test::FakeWindowSystem windows;
  frmMain form{state, bridge, os, lookup, label, windows};

  void AttachCable() { bridge.AddBridge(0x10C4, 0x823E, "VYX 0042"); }
  void AttachOther() { bridge.AddBridge(0x10C4, 0xEA60, "OTHER"); }
  // A bridge left open, as an error in the middle of a scan leaves one.
  std::uint32_t LeaveOneOpen() {
    bridge.RemoveAllBridges();
    AttachCable();
    std::uint32_t handle = 0;
    bridge.CP210x_Open(0, handle);
    bridge.ClearCalls();
    state.DeviceHandle = handle;
    state.DeviceHandleOpen = true;
    return handle;
  }
  int CountOf(Function function) const {
    int count = 0;
    for (Function f : bridge.Functions()) count += f == function ? 1 : 0;
    return count;
  }
  std::vector<std::uint32_t> ClosedHandles() const {
    std::vector<std::uint32_t> handles;
    for (const auto& call : bridge.calls()) {
      if (call.function == Function::Close) handles.push_back(call.handle);
    }
    return handles;
  }
};

TEST_F(FrmMainTest, LoadSetsTheHandleToOneThenScans) {
  state.DeviceHandle = 0x55;
  EXPECT_TRUE(form.Load());
  // No bridge was opened, so nothing replaced the 1 of the load step.
  EXPECT_EQ(state.DeviceHandle, 1u);
  EXPECT_EQ(bridge.Functions(), std::vector<Function>{Function::GetNumDevices});
  EXPECT_EQ(label.Shown(), kNotFound);
  EXPECT_TRUE(windows.ends.empty());
}

TEST_F(FrmMainTest, LoadShowsTheCablesPort) {
  AttachOther();
  AttachCable();
  lookup.port = 7;
  ASSERT_TRUE(form.Load());
  EXPECT_EQ(label.Shown(), "COM Port: 7");
  EXPECT_EQ(label.captions.size(), 1u);
  EXPECT_TRUE(bridge.OpenHandles().empty());
}

TEST_F(FrmMainTest, LoadRunsOnlyOnce) {
  ASSERT_TRUE(form.Load());
  EXPECT_FALSE(form.Load());
  EXPECT_EQ(CountOf(Function::GetNumDevices), 1);
}

TEST_F(FrmMainTest, ClicksBeforeTheLoadAreIgnored) {
  form.RefreshClicked();
  form.QuitClicked();
  EXPECT_TRUE(bridge.Functions().empty());
  EXPECT_TRUE(windows.ends.empty());
}

TEST_F(FrmMainTest, RefreshFollowsAttachAndDetach) {
  ASSERT_TRUE(form.Load());
  ASSERT_EQ(label.Shown(), kNotFound);
  AttachCable();
  form.RefreshClicked();
  EXPECT_EQ(label.Shown(), "COM Port: 3");
  bridge.RemoveAllBridges();
  form.RefreshClicked();
  EXPECT_EQ(label.Shown(), kNotFound);
  EXPECT_EQ(CountOf(Function::GetNumDevices), 3);
}

TEST_F(FrmMainTest, RefreshKeepsTheHandleOfTheLastScan) {
  AttachCable();
  ASSERT_TRUE(form.Load());
  const std::uint32_t opened = ClosedHandles().back();
  ASSERT_NE(opened, 1u);
  bridge.RemoveAllBridges();
  form.cmdRefresh_Click();
  EXPECT_EQ(state.DeviceHandle, opened);
}

TEST_F(FrmMainTest, QuitEndsAtOnceWithoutClosingAnything) {
  AttachCable();
  ASSERT_TRUE(form.Load());
  const int closesOfTheScan = CountOf(Function::Close);
  form.QuitClicked();
  EXPECT_EQ(windows.ends, std::vector<int>{0});
  EXPECT_TRUE(form.ended());
  // The window system now tears the window down; a close that reaches the
  // form after that does not run the unload step.
  EXPECT_FALSE(form.Closing());
  form.RefreshClicked();
  EXPECT_EQ(CountOf(Function::Close), closesOfTheScan);
  EXPECT_EQ(CountOf(Function::GetNumDevices), 1);
  EXPECT_TRUE(windows.messages.empty());
}

TEST_F(FrmMainTest, QuitDoesNotCloseABridgeLeftOpen) {
  ASSERT_TRUE(form.Load());
  LeaveOneOpen();
  form.QuitClicked();
  EXPECT_EQ(CountOf(Function::Close), 0);
}

TEST_F(FrmMainTest, ClosingAfterAScanClosesNothing) {
  AttachCable();
  ASSERT_TRUE(form.Load());
  const int closesOfTheScan = CountOf(Function::Close);
  EXPECT_TRUE(form.Closing());
  EXPECT_EQ(CountOf(Function::Close), closesOfTheScan);
  EXPECT_TRUE(windows.ends.empty());
}

TEST_F(FrmMainTest, ClosingBeforeAnyOpenNeverClosesHandleOne) {
  ASSERT_TRUE(form.Load());
  ASSERT_EQ(state.DeviceHandle, 1u);
  EXPECT_TRUE(form.Closing());
  EXPECT_EQ(CountOf(Function::Close), 0);
}

TEST_F(FrmMainTest, ClosingReleasesABridgeStillOpenOnce) {
  ASSERT_TRUE(form.Load());
  const std::uint32_t handle = LeaveOneOpen();
  state.LastStatus = 17;
  EXPECT_TRUE(form.Closing());
  EXPECT_TRUE(form.Closing());
  EXPECT_EQ(ClosedHandles(), std::vector<std::uint32_t>{handle});
  EXPECT_TRUE(bridge.OpenHandles().empty());
  EXPECT_EQ(state.LastStatus, 17);
  EXPECT_FALSE(state.DeviceHandleOpen);
}

TEST_F(FrmMainTest, UnloadIgnoresAFailedCloseAndLeavesCancelUnset) {
  const std::uint32_t handle = LeaveOneOpen();
  bridge.Fail(Function::Close, 0, 5);
  state.LastStatus = 0;
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  EXPECT_EQ(cancel, 0);
  EXPECT_EQ(state.LastStatus, 0);
  EXPECT_EQ(ClosedHandles(), std::vector<std::uint32_t>{handle});
  // A second unload does not close the same handle again.
  form.Form_Unload(cancel);
  EXPECT_EQ(CountOf(Function::Close), 1);
}

TEST_F(FrmMainTest, UnloadWithAClosedHandleMakesNoCall) {
  AttachCable();
  form.Form_Load();
  ASSERT_TRUE(bridge.OpenHandles().empty());
  const int closes = CountOf(Function::Close);
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  EXPECT_EQ(CountOf(Function::Close), closes);
}

// Errors that reach the top of an event, raised here by the port lookup:
// each is reported with its description and ends the program with exit code 1.
struct FatalCase {
  const char* name;
  std::function<void()> raise;
  const char* message;
};

class FatalErrorTest : public FrmMainTest, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(FatalErrorTest, InTheFirstScanEndsBeforeTheWindowIsShown) {
  AttachCable();
  lookup.raise = GetParam().raise;
  EXPECT_FALSE(form.Load());
  EXPECT_EQ(windows.messages, std::vector<std::string>{GetParam().message});
  EXPECT_EQ(windows.ends, std::vector<int>{1});
  EXPECT_EQ(label.captions.size(), 0u);
  EXPECT_TRUE(form.ended());
  // Nothing runs after the end, and no unload step either.
  const std::size_t callsOfTheScan = bridge.calls().size();
  form.RefreshClicked();
  EXPECT_FALSE(form.Closing());
  EXPECT_EQ(bridge.calls().size(), callsOfTheScan);
}

TEST_P(FatalErrorTest, InARefreshKeepsTheLabelAndEnds) {
  AttachCable();
  ASSERT_TRUE(form.Load());
  lookup.raise = GetParam().raise;
  form.RefreshClicked();
  EXPECT_EQ(label.Shown(), "COM Port: 3");
  EXPECT_EQ(windows.messages, std::vector<std::string>{GetParam().message});
  EXPECT_EQ(windows.ends, std::vector<int>{1});
  form.QuitClicked();
  EXPECT_EQ(windows.ends.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, FatalErrorTest,
    ::testing::Values(
        FatalCase{"Overflow", [] { throw RuntimeError::Overflow(); },
                  "Run-time error '6':\n\nOverflow"},
        FatalCase{"Subscript", [] { throw RuntimeError::SubscriptOutOfRange(); },
                  "Run-time error '9':\n\nSubscript out of range"},
        FatalCase{"MissingLibrary", [] { throw RuntimeError::FileNotFound("usbdongle.dll"); },
                  "Run-time error '53':\n\nFile not found: usbdongle.dll"},
        FatalCase{"MissingFunction",
                  [] { throw RuntimeError::EntryPointNotFound("CP210x_Close", "usbdongle.dll"); },
                  "Run-time error '453':\n\nCan't find DLL entry point CP210x_Close in "
                  "usbdongle.dll"},
        FatalCase{"OutOfMemory", [] { throw std::bad_alloc(); },
                  "Run-time error '7':\n\nOut of memory"},
        FatalCase{"OtherException", [] { throw std::runtime_error("disk on fire"); },
                  "disk on fire"},
        FatalCase{"NotAnException", [] { throw 42; }, "Unexpected error"}),
    [](const ::testing::TestParamInfo<FatalCase>& info) { return info.param.name; });

TEST_F(FrmMainTest, AnErrorInTheUnloadEnds) {
  ASSERT_TRUE(form.Load());
  LeaveOneOpen();
  bridge.Raise(Function::Close, 0,
               RuntimeError::EntryPointNotFound("CP210x_Close", "usbdongle.dll"));
  EXPECT_FALSE(form.Closing());
  EXPECT_EQ(
      windows.messages,
      std::vector<std::string>{
          "Run-time error '453':\n\nCan't find DLL entry point CP210x_Close in usbdongle.dll"});
  EXPECT_EQ(windows.ends, std::vector<int>{1});
}

// Windows may end the session while the error is on the screen: neither the
// unload step nor a click may run in the middle of the fatal error.
TEST_F(FrmMainTest, EventsWhileTheErrorIsShownAreIgnored) {
  ASSERT_TRUE(form.Load());
  LeaveOneOpen();
  bridge.Raise(Function::GetNumDevices, 0, RuntimeError::FileNotFound("usbdongle.dll"));
  bool closing = true;
  windows.whileShowing = [&] {
    EXPECT_TRUE(form.ended());
    closing = form.Closing();
    form.RefreshClicked();
    form.QuitClicked();
  };
  form.RefreshClicked();
  EXPECT_FALSE(closing);
  EXPECT_EQ(windows.ends, std::vector<int>{1});
  EXPECT_EQ(bridge.Functions(), std::vector<Function>{Function::GetNumDevices})
      << "only the failed count: no unload step, no second scan";
}

// Windows may be unable to show the message at all; the program ends all the same.
TEST_F(FrmMainTest, AReportThatReachesNoOneStillEnds) {
  class FailingWindows final : public WindowSystem {
   public:
    int ends = 0;
    void ShowFatalError(const char*) noexcept override {}
    void EndProgram(int) override { ++ends; }
  } failing;
  frmMain guarded{state, bridge, os, lookup, label, failing};
  AttachCable();
  lookup.raise = [] { throw RuntimeError::Overflow(); };
  EXPECT_FALSE(guarded.Load());
  EXPECT_EQ(failing.ends, 1);
}

}  // namespace
}  // namespace tervane
