// The in-memory registry's own tracking: handles, closes, call records, the shared log, failures.
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/memory_registry.h"

namespace tervane {
namespace {

using Call = MemoryRegistry::Call;

class MemoryRegistryTest : public ::testing::Test {
 protected:
  MemoryRegistryTest() : registry_(&log_) {
    registry_.SetString(
        "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_10c4&Pid_823e\\Device Parameters", "PortName",
        "COM3");
  }

  RegKey OpenA(RegKey parent, const char* path) {
    RegKey key = 0;
    EXPECT_EQ(registry_.RegOpenKeyA(parent, path, key), kErrorSuccess) << path;
    return key;
  }

  CallLog log_;
  MemoryRegistry registry_;
};

TEST_F(MemoryRegistryTest, HandlesCountUpAndAreNeverReused) {
  const RegKey first = OpenA(kHkeyLocalMachine, "SYSTEM");
  const RegKey second = OpenA(kHkeyLocalMachine, "system");
  EXPECT_EQ(first, MemoryRegistry::kFirstHandle);
  EXPECT_EQ(second, MemoryRegistry::kFirstHandle + MemoryRegistry::kHandleStep);
  EXPECT_EQ(registry_.RegCloseKey(first), kErrorSuccess);
  EXPECT_EQ(OpenA(kHkeyLocalMachine, "SYSTEM"), first + 2 * MemoryRegistry::kHandleStep);
  EXPECT_EQ(registry_.OpenHandles(),
            (std::vector<RegKey>{second, first + 2 * MemoryRegistry::kHandleStep}));
}

TEST_F(MemoryRegistryTest, PathsUseTheLetterCaseTheKeysWereCreatedWith) {
  registry_.AddKey("system\\CURRENTCONTROLSET\\NewKey\\");
  const RegKey key = OpenA(kHkeyLocalMachine, "system\\currentcontrolset\\newkey");
  EXPECT_EQ(registry_.PathOf(key), "HKLM\\SYSTEM\\CurrentControlSet\\NewKey");
  EXPECT_EQ(registry_.PathOf(kHkeyLocalMachine), "HKLM");
  registry_.RegCloseKey(key);
  EXPECT_EQ(registry_.PathOf(key), "");
}

TEST_F(MemoryRegistryTest, EveryKeyOfANormalWalkIsClosedOnceInOrder) {
  RegKey set = 0;
  ASSERT_EQ(
      registry_.RegOpenKeyExA(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\", 0, kKeyRead, set),
      kErrorSuccess);
  const RegKey usb = OpenA(set, "Enum\\USB\\");
  const RegKey device = OpenA(usb, "Vid_10c4&Pid_823e\\");
  const RegKey parameters = OpenA(device, "Device Parameters");
  for (const RegKey key : {parameters, device, usb, set, kHkeyLocalMachine}) {
    EXPECT_EQ(registry_.RegCloseKey(key), kErrorSuccess);
  }
  EXPECT_TRUE(registry_.OpenHandles().empty());
  EXPECT_TRUE(registry_.EachOpenedClosedOnce());
  std::vector<std::string> closed;
  for (const Call& call : registry_.calls()) {
    if (call.function == "RegCloseKey") closed.push_back(call.key);
  }
  const std::string usbPath = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB";
  EXPECT_EQ(closed, (std::vector<std::string>{usbPath + "\\Vid_10c4&Pid_823e\\Device Parameters",
                                              usbPath + "\\Vid_10c4&Pid_823e", usbPath,
                                              "HKLM\\SYSTEM\\CurrentControlSet", "HKLM"}));
}

TEST_F(MemoryRegistryTest, ClosesOfKeysThatAreNotOpenAreCounted) {
  const RegKey key = OpenA(kHkeyLocalMachine, "SYSTEM");
  registry_.RegCloseKey(key);
  EXPECT_EQ(registry_.RegCloseKey(key), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(0x7777), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(kHkeyLocalMachine), kErrorSuccess);
  EXPECT_EQ(registry_.invalidCloses(), 2);
  EXPECT_FALSE(registry_.EachOpenedClosedOnce());
  ASSERT_EQ(registry_.openings().size(), 1u);
  EXPECT_EQ(registry_.openings()[0].closeCalls, 1);
  EXPECT_FALSE(registry_.openings()[0].open);
}

TEST_F(MemoryRegistryTest, AKeyNeverClosedBreaksEachOpenedClosedOnce) {
  const RegKey left = OpenA(kHkeyLocalMachine, "SYSTEM");
  EXPECT_FALSE(registry_.EachOpenedClosedOnce());
  EXPECT_EQ(registry_.OpenHandles(), std::vector<RegKey>{left});
}

TEST_F(MemoryRegistryTest, AnEmptyPathThroughRegOpenKeyAOpensNothing) {
  const RegKey key = OpenA(kHkeyLocalMachine, "SYSTEM");
  EXPECT_EQ(OpenA(key, ""), key);
  EXPECT_EQ(registry_.openings().size(), 1u);
  EXPECT_EQ(registry_.calls().back().handle, key);
}

TEST_F(MemoryRegistryTest, CallsRecordWhatWasPassedAndWhatCameBack) {
  const RegKey key =
      OpenA(kHkeyLocalMachine, std::string("SYSTEM\\CurrentControlSet\0x", 26).c_str());
  ByteArray data(102);
  std::int32_t count = 100;
  std::uint32_t type = 0;
  RegKey missing = 0;
  registry_.RegOpenKeyA(key, "Nothing", missing);
  registry_.RegQueryValueExA(OpenA(key, "ENUM\\USB\\VID_10C4&PID_823E\\DEVICE PARAMETERS"),
                             "PortName", 0, type, data, count);
  registry_.RegCloseKey(key);

  const auto& calls = registry_.calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0].function, "RegOpenKeyA");
  EXPECT_EQ(calls[0].key, "HKLM");
  EXPECT_EQ(calls[0].argument, "SYSTEM\\CurrentControlSet");
  EXPECT_EQ(calls[0].handle, key);
  EXPECT_EQ(calls[1].result, kErrorFileNotFound);
  EXPECT_EQ(calls[1].handle, 0u);
  EXPECT_EQ(calls[1].key, "HKLM\\SYSTEM\\CurrentControlSet");
  EXPECT_EQ(calls[3].function, "RegQueryValueExA");
  EXPECT_EQ(calls[3].key,
            "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_10c4&Pid_823e\\Device Parameters");
  EXPECT_EQ(calls[3].argument, "PortName");
  EXPECT_EQ(calls[3].byteCountIn, 100);
  EXPECT_EQ(calls[3].byteCountOut, 5);
  EXPECT_EQ(calls[4].function, "RegCloseKey");
  EXPECT_EQ(calls[4].handle, key);
  EXPECT_EQ(calls[4].argument, "");
}

TEST_F(MemoryRegistryTest, TheSharedLogNamesTheCallsInOrder) {
  const RegKey key =
      OpenA(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_10c4&Pid_823e");
  const RegKey parameters = OpenA(key, "Device Parameters");
  ByteArray data(102);
  std::int32_t count = 4;
  std::uint32_t type = 0;
  registry_.RegQueryValueExA(parameters, "PortName", 0, type, data, count);
  registry_.RegQueryValueExA(parameters, "Missing", 0, type, data, count);
  registry_.RegCloseKey(0x7777);
  EXPECT_EQ(log_.Names(),
            (std::vector<std::string>{"RegOpenKeyA", "RegOpenKeyA", "RegQueryValueExA",
                                      "RegQueryValueExA", "RegCloseKey"}));
  const auto& calls = registry_.calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[2].result, kErrorMoreData);
  EXPECT_EQ(calls[2].byteCountOut, 5);
  EXPECT_EQ(calls[3].byteCountIn, 5);
  EXPECT_EQ(calls[3].result, kErrorFileNotFound);
  EXPECT_EQ(calls[4].key, "");
  EXPECT_EQ(calls[4].result, kErrorInvalidHandle);
}

// Handles are found by their place in the list of openings: values between,
// below or beyond the handed-out ones are no handles.
TEST_F(MemoryRegistryTest, OnlyHandedOutValuesAreHandles) {
  const RegKey first = OpenA(kHkeyLocalMachine, "SYSTEM");
  const RegKey second = OpenA(kHkeyLocalMachine, "SYSTEM");
  RegKey key = 0;
  for (const RegKey notHandle : {first + 1, second + 2, first - MemoryRegistry::kHandleStep,
                                 second + MemoryRegistry::kHandleStep, RegKey{0}}) {
    EXPECT_EQ(registry_.RegOpenKeyA(notHandle, "CurrentControlSet", key), kErrorInvalidHandle)
        << notHandle;
    EXPECT_EQ(registry_.RegCloseKey(notHandle), kErrorInvalidHandle) << notHandle;
  }
  EXPECT_EQ(registry_.RegOpenKeyA(second, "CurrentControlSet", key), kErrorSuccess);
  EXPECT_EQ(registry_.PathOf(second), "HKLM\\SYSTEM");
  EXPECT_EQ(registry_.OpenHandles(), (std::vector<RegKey>{first, second, key}));
}

TEST_F(MemoryRegistryTest, InjectedFailuresAnswerInsteadOfTheTree) {
  const std::string parameters =
      "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_10c4&Pid_823e\\Device Parameters";
  registry_.FailOpen("system\\currentcontrolset\\enum", kErrorAccessDenied);
  registry_.FailQuery(parameters, "portname", 1234);
  RegKey key = 0x55;
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\", key),
            kErrorAccessDenied);
  EXPECT_EQ(key, 0x55u);
  // Only the key the open ends on answers with the failure.
  const RegKey device = OpenA(kHkeyLocalMachine, parameters.c_str());
  ByteArray data(102);
  std::int32_t count = 100;
  std::uint32_t type = 9;
  EXPECT_EQ(registry_.RegQueryValueExA(device, "PortName", 0, type, data, count), 1234);
  EXPECT_EQ(count, 100);
  EXPECT_EQ(type, kRegNone);
  EXPECT_EQ(data.at(0), 0);
}

TEST_F(MemoryRegistryTest, SeedingCutsNamesAtTheirZeroByteAndKeepsBytesExactly) {
  registry_.SetValue(std::string("Key\0Other", 9), std::string("Value\0Junk", 10), kRegBinary,
                     {1, 2});
  const RegKey key = OpenA(kHkeyLocalMachine, "Key");
  ByteArray data(4);
  std::int32_t count = 4;
  std::uint32_t type = 0;
  EXPECT_EQ(registry_.RegQueryValueExA(key, "value", 0, type, data, count), kErrorSuccess);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(type, kRegBinary);
  RegKey other = 0;
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyLocalMachine, "Key\\Other", other), kErrorFileNotFound);
}

TEST_F(MemoryRegistryTest, DeletingAMissingKeyIsNoErrorButTheRootCannotGo) {
  registry_.DeleteKey("SYSTEM\\Nothing\\Deeper");
  EXPECT_THROW(registry_.DeleteKey(""), std::invalid_argument);
  EXPECT_THROW(registry_.DeleteKey("\\"), std::invalid_argument);
  EXPECT_NE(OpenA(kHkeyLocalMachine, "SYSTEM"), 0u);
}

TEST_F(MemoryRegistryTest, OtherPredefinedRootsAreNotHeldButTheirClosesAreAccepted) {
  constexpr RegKey kHkeyCurrentUser = 0x80000001u;
  RegKey key = 0;
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, "SYSTEM", key), kErrorInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(kHkeyCurrentUser), kErrorSuccess);
  EXPECT_EQ(registry_.invalidCloses(), 0);
}

}  // namespace
}  // namespace tervane
