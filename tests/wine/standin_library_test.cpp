// The stand-in usbdongle.dll as the binding sees it: re-read scenarios, handles, counts, failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_seams.h"
#include "standin_session.h"
#include "support/memory_bridge.h"
#include "support/scenario.h"

namespace tervane {
namespace {

using test::StandinSession;

class StandinNextToExe : public ::testing::Test {
 protected:
  std::int32_t Count() {
    std::int32_t count = -99;
    lastStatus_ = bridge_.CP210x_GetNumDevices(count);
    return count;
  }

  StandinSession standin_;
  Win32Cp210x bridge_;
  std::int32_t lastStatus_ = 0;
};

TEST_F(StandinNextToExe, RereadsTheScenarioAtEveryCount) {
  EXPECT_EQ(Count(), 0);
  standin_.Attach("bridge vid=1\nbridge vid=2\n");
  EXPECT_EQ(Count(), 2);
  std::uint32_t handle = 0;
  EXPECT_EQ(bridge_.CP210x_Open(1, handle), 0);
  std::int32_t vid = 0;
  EXPECT_EQ(bridge_.CP210x_GetDeviceVid(handle, vid), 0);
  EXPECT_EQ(vid, 2);
  standin_.DetachAll();
  EXPECT_EQ(Count(), 0);
  // The bridges read before are unplugged: their handles die with them.
  EXPECT_EQ(bridge_.CP210x_GetDeviceVid(handle, vid), MemoryCp210x::kStatusInvalidHandle);
  std::uint32_t other = 0;
  EXPECT_EQ(bridge_.CP210x_Open(0, other), MemoryCp210x::kStatusNoSuchDevice);
}

TEST_F(StandinNextToExe, CountOverrideAndFailingCount) {
  struct Case {
    const char* scenario;
    std::int32_t status;
    std::int32_t count;  // -99: left untouched
  };
  const Case cases[] = {{"numdevices count=5\nbridge\n", 0, 5},
                        {"numdevices count=-2147483648\n", 0, INT32_MIN},
                        {"numdevices status=7\nbridge\n", 7, -99},
                        {"numdevices status=7 count=3\n", 7, 3},
                        {"bridge vid=0x1g\n", standin::kStatusBadScenario, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    standin_.Attach(c.scenario);
    EXPECT_EQ(Count(), c.count);
    EXPECT_EQ(lastStatus_, c.status);
  }
  const std::vector<std::string> log = standin_.LogLines();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "scenario error: line 1: not a number: '0x1g'");
  EXPECT_EQ(log.back(), "CP210x_GetNumDevices -> status=224 count=0");
}

// The statuses are the model's, as the native tests know them.
TEST_F(StandinNextToExe, HandlesAreFreshExclusiveAndDieWithTheirClose) {
  standin_.Attach("numdevices count=3\nbridge vid=1\nbridge vid=2\n");
  Count();
  std::uint32_t first = 0;
  std::uint32_t second = 0;
  std::uint32_t busy = 0xAB;
  ASSERT_EQ(bridge_.CP210x_Open(0, first), 0);
  EXPECT_EQ(bridge_.CP210x_Open(0, busy), MemoryCp210x::kStatusBusy);
  ASSERT_EQ(bridge_.CP210x_Open(1, second), 0);
  EXPECT_NE(first, second);
  EXPECT_NE(first, 1u);
  std::uint32_t beyond = 0xAB;
  EXPECT_EQ(bridge_.CP210x_Open(2, beyond), MemoryCp210x::kStatusNoSuchDevice)
      << "the count says 3, but only 2 bridges exist";
  EXPECT_EQ(bridge_.CP210x_Open(-1, beyond), MemoryCp210x::kStatusNoSuchDevice);
  EXPECT_EQ(beyond, 0xABu);
  EXPECT_EQ(busy, 0xABu);
  EXPECT_EQ(bridge_.CP210x_Close(first), 0);
  EXPECT_EQ(bridge_.CP210x_Close(first), MemoryCp210x::kStatusInvalidHandle) << "closing twice";
  std::int32_t vid = 0;
  EXPECT_EQ(bridge_.CP210x_GetDeviceVid(first, vid), MemoryCp210x::kStatusInvalidHandle);
  EXPECT_EQ(bridge_.CP210x_Close(1), MemoryCp210x::kStatusInvalidHandle) << "1 is never a handle";
  EXPECT_EQ(bridge_.CP210x_GetDeviceVid(second, vid), 0);
  EXPECT_EQ(vid, 2);
}

TEST_F(StandinNextToExe, WritesTheSerialCutShortOrFilled) {
  standin_.Attach(
      "bridge serial=ABCDEF write=3 length=6\n"
      "bridge serial=AB write=5\n");
  Count();
  const std::pair<std::int32_t, std::string> expected[] = {{0, std::string("ABC\0\0\0", 6)},
                                                           {1, std::string("ABZZZ\0", 6)}};
  for (const auto& e : expected) {
    std::uint32_t handle = 0;
    ASSERT_EQ(bridge_.CP210x_Open(e.first, handle), 0);
    ByteArray serial(64);
    std::int32_t length = 0;
    std::int32_t flag = -1;
    ASSERT_EQ(bridge_.CP210x_GetDeviceSerialNumber(handle, serial, length, flag), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(serial.data()), 6), e.second);
    bridge_.CP210x_Close(handle);
  }
}

// Tests and scripts under Wine may name the log by its Unix path.
TEST_F(StandinNextToExe, TakesUnixPathsUnderWine) {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string dosName =
      std::string(temp) + "tervane-unix-path-" + std::to_string(GetCurrentProcessId()) + ".log";
  using ToUnixFn = char*(CDECL*)(LPCWSTR);
  auto toUnix = reinterpret_cast<ToUnixFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) GTEST_SKIP() << "not running under Wine";
  std::wstring wide(dosName.begin(), dosName.end());
  char* unixName = toUnix(wide.c_str());
  ASSERT_NE(unixName, nullptr);
  SetEnvironmentVariableA("TERVANE_STANDIN_LOG", unixName);
  HeapFree(GetProcessHeap(), 0, unixName);
  Count();
  const DWORD attributes = GetFileAttributesA(dosName.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "no log at " << dosName;
  DeleteFileA(dosName.c_str());
}

}  // namespace
}  // namespace tervane
