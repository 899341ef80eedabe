// The NT family's lookup beneath SYSTEM\CurrentControlSet\Enum\USB.
#include <gtest/gtest.h>

#include "lookup_fixture.h"

namespace tervane {
namespace {

const std::string kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
const std::string kInterface = kUsb + "Vid_10c4&Pid_823e&Mi_00\\A1_B2_00";
const std::string kDevice = kUsb + "Vid_10c4&Pid_823e\\A1_B2";
const std::string kHklmUsb = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB";
const std::string kHklmSet = "HKLM\\SYSTEM\\CurrentControlSet";

class NtLookup : public ::testing::Test {
 protected:
  std::int16_t Lookup(const std::string& serialText, std::int32_t vid = 0x10C4,
                      std::int32_t pid = 0x823E) {
    serial = SerialOf(serialText);
    length = static_cast<std::int32_t>(serialText.size());
    return lookup.GetPortNumXP2000Vista(vid, pid, serial, length);
  }
  void ExpectAllClosed() {
    EXPECT_TRUE(registry.OpenHandles().empty());
    EXPECT_TRUE(registry.EachOpenedClosedOnce());
    EXPECT_EQ(registry.invalidCloses(), 0);
  }

  MemoryRegistry registry;
  RegistryPortLookup lookup{registry};
  ByteArray serial{64};
  std::int32_t length = 0;
};

TEST_F(NtLookup, InterfaceKeyPortNameGivesThePort) {
  registry.SetString(kInterface + "\\Device Parameters", "PortName", "COM5");
  EXPECT_EQ(Lookup("A1 B2"), 5);
  EXPECT_EQ(SerialText(serial, 5), "A1_B2");
  EXPECT_EQ(Calls(registry, "RegOpenKeyA"),
            (std::vector<std::string>{"Enum\\USB\\", "Vid_10c4&Pid_823e&Mi_00\\A1_B2_00",
                                      "Device Parameters"}));
  ASSERT_EQ(registry.calls().front().function, "RegOpenKeyExA");
  EXPECT_EQ(registry.calls().front().argument, "SYSTEM\\CurrentControlSet\\");
  const auto query = registry.calls()[4];
  EXPECT_EQ(query.function, "RegQueryValueExA");
  EXPECT_EQ(query.byteCountIn, 100);
  EXPECT_EQ(query.byteCountOut, 5);
  ExpectAllClosed();
}

TEST_F(NtLookup, DeviceKeyServesWhenThereIsNoInterfaceKey) {
  registry.SetString(kDevice + "\\Device Parameters", "PortName", "COM3");
  EXPECT_EQ(Lookup("A1 B2"), 3);
  EXPECT_EQ(Calls(registry, "RegOpenKeyA"),
            (std::vector<std::string>{"Enum\\USB\\", "Vid_10c4&Pid_823e&Mi_00\\A1_B2_00",
                                      "Vid_10c4&Pid_823e\\A1_B2", "Device Parameters"}));
  ExpectAllClosed();
}

TEST_F(NtLookup, KeyNamesMatchStoredCapitals) {
  registry.SetString(
      "SYSTEM\\CURRENTCONTROLSET\\ENUM\\USB\\VID_10C4&PID_823E&MI_00\\A1_B2_00\\DEVICE PARAMETERS",
      "PortName", "COM12");
  EXPECT_EQ(Lookup("A1 B2"), 12);
  ExpectAllClosed();
}

// Every way the lookup can stop, with the keys it closes and the serial it leaves.
TEST(NtLookupPaths, ClosesEachOpenedKeyInnermostFirstAndTheRootLast) {
  const std::string set = "SYSTEM\\CurrentControlSet";
  const std::string dp = "\\Device Parameters";
  const std::string ci = "HKLM\\" + kInterface, cd = "HKLM\\" + kDevice;
  const struct {
    const char* path;
    std::vector<std::string> keys;  // seeded without values
    std::string portNameAt;         // key given "PortName" COM5, if any
    int port;
    std::vector<std::string> closes;
    std::string serialAfter;
  } cases[] = {
      {"no CurrentControlSet", {}, "", -1, {"HKLM"}, "A1 B2"},
      {"no Enum\\USB", {set}, "", -1, {kHklmSet, "HKLM"}, "A1 B2"},
      {"interface key, no Device Parameters",
       {kInterface},
       kDevice + dp,
       -1,
       {ci, kHklmUsb, kHklmSet, "HKLM"},
       "A1_B2"},
      {"interface key, no PortName",
       {kInterface + dp},
       kDevice + dp,
       -1,
       {ci + dp, ci, kHklmUsb, kHklmSet, "HKLM"},
       "A1_B2"},
      {"interface key, PortName",
       {},
       kInterface + dp,
       5,
       {ci + dp, ci, kHklmUsb, kHklmSet, "HKLM"},
       "A1_B2"},
      {"neither instance key", {kUsb}, "", -1, {kHklmUsb, kHklmSet, "HKLM"}, "A1_B2"},
      {"device key, no Device Parameters",
       {kDevice},
       "",
       -1,
       {cd, kHklmUsb, kHklmSet, "HKLM"},
       "A1_B2"},
      {"device key, no PortName",
       {kDevice + dp},
       "",
       -1,
       {cd + dp, cd, kHklmUsb, kHklmSet, "HKLM"},
       "A1_B2"},
      {"device key, PortName",
       {},
       kDevice + dp,
       5,
       {cd + dp, cd, kHklmUsb, kHklmSet, "HKLM"},
       "A1_B2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    MemoryRegistry registry;
    for (const auto& key : c.keys) registry.AddKey(key);
    if (!c.portNameAt.empty()) registry.SetString(c.portNameAt, "PortName", "COM5");
    RegistryPortLookup lookup(registry);
    std::int32_t vid = 0x10C4, pid = 0x823E, length = 5;
    ByteArray serial = SerialOf("A1 B2");
    EXPECT_EQ(lookup.GetPortNumXP2000Vista(vid, pid, serial, length), c.port);
    EXPECT_EQ(Closes(registry), c.closes);
    EXPECT_EQ(SerialText(serial, 5), c.serialAfter);
    EXPECT_TRUE(registry.EachOpenedClosedOnce());
    EXPECT_EQ(registry.invalidCloses(), 0);
  }
}

TEST_F(NtLookup, IdsWithoutLeadingZerosAndNegativeAsEightDigits) {
  registry.SetString(kUsb + "Vid_ff&Pid_823e&Mi_00\\X_00\\Device Parameters", "PortName", "COM4");
  EXPECT_EQ(Lookup("X", 255), 4);
  registry.SetString(kUsb + "Vid_ffffffff&Pid_0\\X\\Device Parameters", "PortName", "COM6");
  EXPECT_EQ(Lookup("X", -1, 0), 6);
  ExpectAllClosed();
}

TEST_F(NtLookup, EmptySerialOpensTheIdsKeyItself) {
  registry.SetString(kUsb + "Vid_10c4&Pid_823e\\Device Parameters", "PortName", "COM8");
  EXPECT_EQ(Lookup(""), 8);
  EXPECT_EQ(Calls(registry, "RegOpenKeyA")[1], "Vid_10c4&Pid_823e&Mi_00\\_00");
  EXPECT_EQ(Calls(registry, "RegOpenKeyA")[2], "Vid_10c4&Pid_823e\\");
  ExpectAllClosed();
}

TEST_F(NtLookup, ZeroByteInTheSerialEndsTheKeyName) {
  registry.SetString(kUsb + "Vid_10c4&Pid_823e\\AB\\Device Parameters", "PortName", "COM9");
  EXPECT_EQ(Lookup(std::string("AB\0CD", 5)), 9);
  EXPECT_EQ(Calls(registry, "RegOpenKeyA")[1], "Vid_10c4&Pid_823e&Mi_00\\AB");
  ExpectAllClosed();
}

TEST_F(NtLookup, FullSixtyFourByteSerialIsUsed) {
  const std::string text(64, ' ');
  const std::string rewritten(64, '_');
  registry.SetString(kUsb + "Vid_10c4&Pid_823e\\" + rewritten + "\\Device Parameters", "PortName",
                     "COM2");
  EXPECT_EQ(Lookup(text), 2);
  EXPECT_EQ(SerialText(serial, 64), rewritten);
}

TEST_F(NtLookup, LongPortNameDoesNotFit) {
  registry.SetString(kInterface + "\\Device Parameters", "PortName", "COM" + std::string(97, '1'));
  EXPECT_EQ(Lookup("A1 B2"), -1);
  ExpectAllClosed();
}

TEST_F(NtLookup, SecondLookupGivesTheSameResult) {
  registry.SetString(kInterface + "\\Device Parameters", "PortName", "COM5");
  EXPECT_EQ(Lookup("A1 B2"), 5);
  EXPECT_EQ(Lookup("A1 B2"), 5);
  ExpectAllClosed();
}

TEST_F(NtLookup, ErrorsEndTheLookupAndLeaveNoKeyOpen) {
  registry.SetString(kInterface + "\\Device Parameters", "PortName", "COM40000");
  EXPECT_EQ(ErrorOf([&] { Lookup("A1 B2"); }), ErrorCode::Overflow);
  const std::string ci = "HKLM\\" + kInterface;
  EXPECT_EQ(Closes(registry),
            (std::vector<std::string>{ci + "\\Device Parameters", ci, kHklmUsb, kHklmSet, "HKLM"}));
  ExpectAllClosed();

  registry.DeleteKey("SYSTEM");
  registry.AddKey(kUsb);
  registry.ClearCalls();
  std::int32_t vid = 0x10C4, pid = 0x823E, tooLong = 65;
  ByteArray full(64);
  EXPECT_EQ(ErrorOf([&] { lookup.GetPortNumXP2000Vista(vid, pid, full, tooLong); }),
            ErrorCode::SubscriptOutOfRange);
  EXPECT_EQ(Closes(registry), (std::vector<std::string>{kHklmUsb, kHklmSet, "HKLM"}));
  ExpectAllClosed();
}

}  // namespace
}  // namespace tervane
