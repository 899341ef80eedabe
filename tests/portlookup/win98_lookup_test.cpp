// The Windows 95 family's walk over Enum\SLABCR\guid\000<n>.
#include <gtest/gtest.h>

#include "lookup_fixture.h"

namespace tervane {
namespace {

const std::string kCableId = "USB\\VID_10C4&PID_823E&MI_00\\AB_12_00";

std::string Instance(int n) { return "Enum\\SLABCR\\guid\\000" + std::to_string(n); }

class Win98Lookup : public ::testing::Test {
 protected:
  void AddInstance(int n, const std::string& id, const std::string& port = "") {
    registry.SetString(Instance(n), "CRLowerDeviceID", id);
    if (!port.empty()) registry.SetString(Instance(n), "PortName", port);
  }
  std::int16_t Lookup(const std::string& serialText = "ab 12", std::int32_t vid = 0x10C4,
                      std::int32_t pid = 0x823E) {
    serial = SerialOf(serialText);
    length = static_cast<std::int32_t>(serialText.size());
    return lookup.GetPortNum98(vid, pid, serial, length);
  }
  std::vector<std::string> Opened() { return Calls(registry, "RegOpenKeyA"); }
  std::vector<std::int32_t> CountsHandedOver() {
    std::vector<std::int32_t> counts;
    for (const auto& call : registry.calls())
      if (call.function == "RegQueryValueExA") counts.push_back(call.byteCountIn);
    return counts;
  }
  void ExpectAllClosed() {
    EXPECT_TRUE(registry.OpenHandles().empty());
    EXPECT_TRUE(registry.EachOpenedClosedOnce());
    EXPECT_EQ(registry.invalidCloses(), 0);
    ASSERT_FALSE(registry.calls().empty());
    EXPECT_EQ(registry.calls().back().function, "RegCloseKey");
    EXPECT_EQ(registry.calls().back().key, "HKLM");
  }

  MemoryRegistry registry;
  RegistryPortLookup lookup{registry};
  ByteArray serial{64};
  std::int32_t length = 0;
};

TEST_F(Win98Lookup, NoInstanceGivesMinusOneAndQueriesNothing) {
  EXPECT_EQ(Lookup(), -1);
  EXPECT_TRUE(CountsHandedOver().empty());
  ExpectAllClosed();
}

TEST_F(Win98Lookup, MatchingInstanceGivesItsPortAndTheSerialIsRewritten) {
  AddInstance(0, kCableId, "COM4");
  EXPECT_EQ(Lookup(), 4);
  EXPECT_EQ(SerialText(serial, 5), "AB_12");
  EXPECT_EQ(Opened(), (std::vector<std::string>{Instance(0), Instance(1)}));
  ExpectAllClosed();
}

TEST_F(Win98Lookup, InstanceWithoutDeviceIdIsPassedOver) {
  registry.AddKey(Instance(0));
  AddInstance(1, kCableId, "COM7");
  EXPECT_EQ(Lookup(), 7);
  ExpectAllClosed();
}

TEST_F(Win98Lookup, SerialRewriteTouchesOnlyBlanksAndLowerCaseLetters) {
  const std::string in = std::string("a`{z ") + "\x80\xE9" + "Q9";
  AddInstance(0, "USB\\VID_10C4&PID_823E&MI_00\\A`{Z_\x80\xE9Q9_00", "COM2");
  EXPECT_EQ(Lookup(in), 2);
  EXPECT_EQ(SerialText(serial, 9), "A`{Z_\x80\xE9Q9");
}

TEST_F(Win98Lookup, DeviceIdSpelling) {
  AddInstance(0, "USB\\VID_ABC&PID_823E&MI_00\\AB_12_00", "COM3");
  EXPECT_EQ(Lookup("ab 12", 0xABC), 3);
  AddInstance(0, "USB\\VID_10C4&PID_823E&MI_00\\_00", "COM5");
  EXPECT_EQ(Lookup(""), 5);
}

TEST_F(Win98Lookup, ComparisonIsCaseSensitive) {
  AddInstance(0, "usb\\vid_10c4&pid_823e&mi_00\\ab_12_00", "COM4");
  EXPECT_EQ(Lookup(), -1);
}

TEST_F(Win98Lookup, LaterMatchWinsUnlessItsPortNameCannotBeRead) {
  AddInstance(0, kCableId, "COM4");
  AddInstance(1, kCableId, "COM6");
  EXPECT_EQ(Lookup(), 6);
  registry.FailQuery(Instance(1), "PortName", 5);
  EXPECT_EQ(Lookup(), 4);
  ExpectAllClosed();
}

TEST_F(Win98Lookup, InstanceNumbersAreNotZeroPadded) {
  for (int n = 0; n <= 9; ++n) AddInstance(n, "other");
  registry.AddKey("Enum\\SLABCR\\guid\\0010");
  EXPECT_EQ(Lookup(), -1);
  const auto opened = Opened();
  ASSERT_EQ(opened.size(), 11u);
  EXPECT_EQ(opened.back(), "Enum\\SLABCR\\guid\\00010");
  for (const auto& path : opened) EXPECT_NE(path, "Enum\\SLABCR\\guid\\0010");
}

TEST_F(Win98Lookup, LongDeviceIdIsRefusedOnceThenReadOnTheRetry) {
  for (int size : {101, 102}) {
    registry.DeleteKey("Enum");
    registry.ClearCalls();
    AddInstance(0, std::string(size - 1, 'x'));
    EXPECT_EQ(Lookup(), -1);
    EXPECT_EQ(Opened(), (std::vector<std::string>{Instance(0), Instance(0), Instance(1)}));
    EXPECT_EQ(CountsHandedOver(), (std::vector<std::int32_t>{100, size}));
    ExpectAllClosed();
  }
}

TEST_F(Win98Lookup, ByteCountIsCarriedFromQueryToQuery) {
  AddInstance(0, kCableId, "COM4");         // 37 bytes, then 5
  AddInstance(1, kCableId + "XX", "COM5");  // needs 39 > 5: refused once
  EXPECT_EQ(Lookup(), 4);
  EXPECT_EQ(CountsHandedOver(), (std::vector<std::int32_t>{100, 37, 5, 39}));
  EXPECT_EQ(Opened(),
            (std::vector<std::string>{Instance(0), Instance(1), Instance(1), Instance(2)}));
  ExpectAllClosed();
}

TEST_F(Win98Lookup, ValueLargerThanTheBufferIsPassedOverWithoutRetry) {
  AddInstance(0, std::string(150, 'x'));
  AddInstance(1, kCableId, "COM4");
  EXPECT_EQ(Lookup(), 4);
  // The 150 the refused query needs is never handed over: the buffer holds 102.
  EXPECT_EQ(CountsHandedOver(), (std::vector<std::int32_t>{100, 102, 37}));
  EXPECT_EQ(Opened(), (std::vector<std::string>{Instance(0), Instance(1), Instance(2)}));
  for (const auto& call : registry.calls()) EXPECT_LE(call.byteCountIn, 102);
  ExpectAllClosed();
}

TEST_F(Win98Lookup, InstanceRefusedAgainOnItsRetryIsPassedOver) {
  registry.FailQuery(Instance(0), "CRLowerDeviceID", kErrorMoreData);
  AddInstance(1, kCableId, "COM4");
  EXPECT_EQ(Lookup(), 4);
  EXPECT_EQ(Opened(),
            (std::vector<std::string>{Instance(0), Instance(0), Instance(1), Instance(2)}));
  ExpectAllClosed();
}

// One instance key open at a time: each is closed before the next open.
TEST_F(Win98Lookup, EachInstanceKeyIsClosedBeforeTheNextIsOpened) {
  registry.AddKey(Instance(0));
  AddInstance(1, kCableId, "COM4");
  Lookup();
  std::vector<std::string> sequence;
  for (const auto& call : registry.calls())
    sequence.push_back(call.function + " " + call.key + " " + call.argument);
  const std::string guid = "HKLM\\Enum\\SLABCR\\guid\\";
  EXPECT_EQ(sequence, (std::vector<std::string>{
                          "RegOpenKeyA HKLM " + Instance(0),
                          "RegQueryValueExA " + guid + "0000 CRLowerDeviceID",
                          "RegCloseKey " + guid + "0000 ",
                          "RegOpenKeyA HKLM " + Instance(1),
                          "RegQueryValueExA " + guid + "0001 CRLowerDeviceID",
                          "RegQueryValueExA " + guid + "0001 PortName",
                          "RegCloseKey " + guid + "0001 ",
                          "RegOpenKeyA HKLM " + Instance(2),
                          "RegCloseKey HKLM ",
                      }));
}

TEST_F(Win98Lookup, RefusedPortNameIsNotRetried) {
  AddInstance(0, kCableId, "COM" + std::string(60, '1'));  // needs 64 > 37
  EXPECT_EQ(Lookup(), -1);
  EXPECT_EQ(CountsHandedOver(), (std::vector<std::int32_t>{100, 37}));
  ExpectAllClosed();
}

TEST_F(Win98Lookup, ErrorsEndTheLookupAndLeaveNoKeyOpen) {
  AddInstance(0, kCableId, "COM40000");
  EXPECT_EQ(ErrorOf([&] { Lookup(); }), ErrorCode::Overflow);
  ExpectAllClosed();

  std::int32_t vid = 0x10C4, pid = 0x823E, tooLong = 65;
  ByteArray full(64);
  EXPECT_EQ(ErrorOf([&] { lookup.GetPortNum98(vid, pid, full, tooLong); }),
            ErrorCode::SubscriptOutOfRange);
  ExpectAllClosed();
}

TEST_F(Win98Lookup, InstanceNumberPast32767Overflows) {
  EXPECT_EQ(SlabcrInstancePath(32767), "Enum\\SLABCR\\guid\\00032767");
  for (int n = 0; n <= 32767; ++n) registry.AddKey(Instance(n));
  EXPECT_EQ(ErrorOf([&] { Lookup(); }), ErrorCode::Overflow);
  EXPECT_TRUE(registry.OpenHandles().empty());
}

}  // namespace
}  // namespace tervane
