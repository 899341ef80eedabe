// What the port lookups rely on from the registry, checked on the in-memory tree and on Wine's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "registry_seeder.h"

namespace tervane {
namespace {

const std::string kContractRoot = "Software\\TervaneContractTest";
constexpr std::uint8_t kUntouched = 0xEE;
constexpr std::uint32_t kTypeUnset = 0xDEAD;
// A handle value that no open hands out (nor Wine, whose handles are small).
constexpr RegKey kNotAKey = 0x0BADF00C;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// The outcome of one value query into a buffer prefilled with kUntouched.
struct QueryOutcome {
  std::int32_t result;
  std::uint32_t type;
  std::int32_t count;
  std::vector<std::uint8_t> buffer;

  std::vector<std::uint8_t> Stored(std::int32_t n) const {
    return {buffer.begin(), buffer.begin() + n};
  }
};

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    area_ = kContractRoot + "\\" + info->test_suite_name() + "." + info->name();
    seeder_->DeleteKey(area_);
    seeder_->AddKey(area_);
  }

  void TearDown() override {
    for (const RegKey key : toClose_) registry().RegCloseKey(key);
    seeder_->DeleteKey(area_);
  }

  Registry& registry() { return seeder_->registry(); }
  // A path below this test's own area, relative to HKEY_LOCAL_MACHINE.
  std::string In(const std::string& relative) const { return area_ + "\\" + relative; }

  // A key whose value "Marker" names it, so that a test can tell which key an open reached.
  void AddMarkedKey(const std::string& relative) {
    seeder_->SetString(In(relative), "Marker", relative);
  }
  std::string MarkerOf(RegKey key) {
    const QueryOutcome read = Query(key, "Marker", 100);
    if (read.result != kErrorSuccess || read.count < 1)
      return "<" + std::to_string(read.result) + ">";
    return std::string(read.buffer.begin(), read.buffer.begin() + read.count - 1);
  }

  // Opens that the test expects to succeed; the key is closed after the test.
  RegKey OpenEx(RegKey parent, const std::string& subKey, std::uint32_t access = kKeyRead) {
    RegKey key = 0;
    EXPECT_EQ(registry().RegOpenKeyExA(parent, subKey.c_str(), 0, access, key), kErrorSuccess)
        << subKey;
    return Keep(key);
  }
  RegKey Open(RegKey parent, const std::string& subKey) {
    RegKey key = 0;
    EXPECT_EQ(registry().RegOpenKeyA(parent, subKey.c_str(), key), kErrorSuccess) << subKey;
    return Keep(key);
  }
  RegKey Keep(RegKey key) {
    if (key != 0 && key != kHkeyLocalMachine) toClose_.push_back(key);
    return key;
  }
  // For a test that closes the key itself.
  void Forget(RegKey key) {
    toClose_.erase(std::remove(toClose_.begin(), toClose_.end(), key), toClose_.end());
  }

  QueryOutcome Query(RegKey key, const char* name, std::int32_t count, std::int32_t size = 102,
                     std::uint32_t reserved = 0) {
    ByteArray data(size);
    for (std::int32_t i = 0; i < size; ++i) data.at(i) = kUntouched;
    QueryOutcome out{0, kTypeUnset, count, {}};
    out.result = registry().RegQueryValueExA(key, name, reserved, out.type, data, out.count);
    out.buffer.assign(data.data(), data.data() + size);
    return out;
  }

  std::unique_ptr<RegistrySeeder> seeder_ = MakeRegistrySeeder();
  std::string area_;
  std::vector<RegKey> toClose_;
};

// Whatever the tests left behind goes with the run.
class ContractRootCleanup : public ::testing::Environment {
 public:
  void TearDown() override { MakeRegistrySeeder()->DeleteKey(kContractRoot); }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new ContractRootCleanup);

// --- Letter case --------------------------------------------------------

TEST_F(RegistryContract, KeyNamesMatchWhateverTheirLetterCase) {
  const char* const kCapitals =
      "SYSTEM\\CURRENTCONTROLSET\\ENUM\\USB\\VID_10C4&PID_823E&MI_00\\A1_B2_00";
  AddMarkedKey(kCapitals);
  AddMarkedKey("\xC9T\xC9");         // accented capitals of code page 1252
  AddMarkedKey("\x8A\x8C\x8E\x9F");  // the capitals that lie in 80-9f
  AddMarkedKey("Z\xD7");             // the multiplication sign, which has no case
  struct Case {
    const char* asked;
    const char* found;  // the key reached; nullptr: none
  } const cases[] = {
      {"system\\currentcontrolset\\enum\\usb\\vid_10c4&pid_823e&mi_00\\a1_b2_00", kCapitals},
      {"System\\CurrentControlSet\\Enum\\USB\\Vid_10c4&Pid_823e&Mi_00\\A1_b2_00", kCapitals},
      {"\xE9t\xE9", "\xC9T\xC9"},
      {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},
      {"z\xD7", "Z\xD7"},
      {"Z\xF7", nullptr},  // the division sign is no lower-case multiplication sign
  };
  for (const auto& c : cases) {
    for (const bool ex : {true, false}) {
      SCOPED_TRACE(std::string(c.asked) + (ex ? " RegOpenKeyExA" : " RegOpenKeyA"));
      RegKey key = 0;
      const std::string path = In(c.asked);
      const std::int32_t result =
          ex ? registry().RegOpenKeyExA(kHkeyLocalMachine, path.c_str(), 0, kKeyRead, key)
             : registry().RegOpenKeyA(kHkeyLocalMachine, path.c_str(), key);
      if (c.found == nullptr) {
        EXPECT_EQ(result, kErrorFileNotFound);
      } else {
        ASSERT_EQ(result, kErrorSuccess);
        EXPECT_EQ(MarkerOf(Keep(key)), c.found);
      }
    }
  }
}

TEST_F(RegistryContract, ValueNamesMatchWhateverTheirLetterCase) {
  seeder_->SetString(In("Device Parameters"), "PortName", "COM5");
  const RegKey key = Open(kHkeyLocalMachine, In("device parameters"));
  for (const char* name : {"PortName", "portname", "PORTNAME"}) {
    SCOPED_TRACE(name);
    const QueryOutcome read = Query(key, name, 100);
    EXPECT_EQ(read.result, kErrorSuccess);
    EXPECT_EQ(read.Stored(5), Bytes(std::string("COM5\0", 5)));
  }
}

// --- Paths --------------------------------------------------------------

TEST_F(RegistryContract, PathsSpanLevelsAndMayEndInBackslashes) {
  AddMarkedKey("SYSTEM\\CurrentControlSet\\Enum\\USB");
  AddMarkedKey("Top");
  struct Case {
    std::string asked;  // below the area
    std::int32_t result;
    const char* marker;
  } const cases[] = {
      {"SYSTEM\\CurrentControlSet\\Enum\\USB", kErrorSuccess,
       "SYSTEM\\CurrentControlSet\\Enum\\USB"},
      {"SYSTEM\\CurrentControlSet\\Enum\\USB\\", kErrorSuccess,
       "SYSTEM\\CurrentControlSet\\Enum\\USB"},
      {"SYSTEM\\CurrentControlSet\\Enum\\USB\\\\", kErrorSuccess,
       "SYSTEM\\CurrentControlSet\\Enum\\USB"},
      {"SYSTEM\\\\CurrentControlSet\\Enum\\\\\\USB", kErrorSuccess,
       "SYSTEM\\CurrentControlSet\\Enum\\USB"},
      {"Top\\", kErrorSuccess, "Top"},
      {"SYSTEM\\CurrentControlSet\\Enum\\USB\\Missing", kErrorFileNotFound, nullptr},
      {"SYSTEM\\Missing\\Enum\\USB", kErrorFileNotFound, nullptr},
  };
  for (const auto& c : cases) {
    for (const bool ex : {true, false}) {
      SCOPED_TRACE(c.asked + (ex ? " RegOpenKeyExA" : " RegOpenKeyA"));
      RegKey key = 0;
      const std::string path = In(c.asked);
      const std::int32_t result =
          ex ? registry().RegOpenKeyExA(kHkeyLocalMachine, path.c_str(), 0, kKeyRead, key)
             : registry().RegOpenKeyA(kHkeyLocalMachine, path.c_str(), key);
      ASSERT_EQ(result, c.result);
      if (result == kErrorSuccess) {
        EXPECT_EQ(MarkerOf(Keep(key)), c.marker);
      }
    }
  }
}

TEST_F(RegistryContract, RelativePathsWalkBeneathAnOpenKey) {
  AddMarkedKey("Enum\\USB\\Vid_10c4&Pid_823e");
  seeder_->SetString(In("Enum\\USB\\Vid_10c4&Pid_823e\\Device Parameters"), "PortName", "COM3");
  const RegKey usb = Open(OpenEx(kHkeyLocalMachine, In("")), "Enum\\USB\\");
  // A device path ending in the backslash opens the device key itself.
  const RegKey device = Open(usb, "VID_10C4&PID_823E\\");
  EXPECT_EQ(MarkerOf(device), "Enum\\USB\\Vid_10c4&Pid_823e");
  const RegKey parameters = Open(device, "Device Parameters");
  const QueryOutcome read = Query(parameters, "PortName", 100);
  EXPECT_EQ(read.result, kErrorSuccess);
  EXPECT_EQ(read.count, 5);
}

TEST_F(RegistryContract, LeadingBackslashIsABadPath) {
  AddMarkedKey("Top");
  const RegKey area = OpenEx(kHkeyLocalMachine, In(""));
  for (const char* asked : {"\\Top", "\\", "\\\\"}) {
    SCOPED_TRACE(asked);
    RegKey key = 0x1234;
    EXPECT_EQ(registry().RegOpenKeyExA(area, asked, 0, kKeyRead, key), kErrorBadPathname);
    EXPECT_EQ(registry().RegOpenKeyA(area, asked, key), kErrorBadPathname);
    EXPECT_EQ(key, 0x1234u);
  }
  const std::string fromRoot = "\\" + In("Top");
  RegKey key = 0;
  EXPECT_EQ(registry().RegOpenKeyA(kHkeyLocalMachine, fromRoot.c_str(), key), kErrorBadPathname);
}

TEST_F(RegistryContract, PathsLongerThanTheConversionBufferAreRefusedWith234) {
  const RegKey area = OpenEx(kHkeyLocalMachine, In(""));
  for (const std::size_t length : {kMaxSubKeyPathBytes, kMaxSubKeyPathBytes + 1}) {
    SCOPED_TRACE(length);
    const std::string path = std::string(200, 'a') + "\\" + std::string(length - 201, 'b');
    const std::int32_t expected =
        length > kMaxSubKeyPathBytes ? kErrorMoreData : kErrorFileNotFound;
    RegKey key = 0;
    EXPECT_EQ(registry().RegOpenKeyExA(area, path.c_str(), 0, kKeyRead, key), expected);
    EXPECT_EQ(registry().RegOpenKeyA(area, path.c_str(), key), expected);
  }
}

TEST_F(RegistryContract, NamesAreReadOnlyUpToTheirFirstZeroByte) {
  AddMarkedKey("Key");
  const std::string path = In("Key") + std::string("\0\\Other", 7);
  const RegKey key = Open(kHkeyLocalMachine, path);
  EXPECT_EQ(MarkerOf(key), "Key");
  const std::string name = std::string("Marker\0Junk", 11);
  EXPECT_EQ(Query(key, name.c_str(), 100).result, kErrorSuccess);
}

TEST_F(RegistryContract, FailedOpensLeaveTheResultAlone) {
  struct Case {
    RegKey parent;
    std::string path;
    std::int32_t result;
  } const cases[] = {
      {kHkeyLocalMachine, In("Missing"), kErrorFileNotFound},
      {kNotAKey, "Anything", kErrorInvalidHandle},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    RegKey key = 0x1234;
    EXPECT_EQ(registry().RegOpenKeyExA(c.parent, c.path.c_str(), 0, kKeyRead, key), c.result);
    EXPECT_EQ(registry().RegOpenKeyA(c.parent, c.path.c_str(), key), c.result);
    EXPECT_EQ(key, 0x1234u);
  }
}

// --- Empty subkey paths -------------------------------------------------

TEST_F(RegistryContract, RegOpenKeyAWithAnEmptyPathHandsBackTheSameKey) {
  AddMarkedKey("Top");
  const RegKey top = OpenEx(kHkeyLocalMachine, In("Top"));
  for (const char* empty : {"", static_cast<const char*>(nullptr)}) {
    RegKey same = 0;
    EXPECT_EQ(registry().RegOpenKeyA(top, empty, same), kErrorSuccess);
    EXPECT_EQ(same, top);
    EXPECT_EQ(registry().RegOpenKeyA(kHkeyLocalMachine, empty, same), kErrorSuccess);
    EXPECT_EQ(same, kHkeyLocalMachine);
    // Not even the handle is looked at.
    EXPECT_EQ(registry().RegOpenKeyA(kNotAKey, empty, same), kErrorSuccess);
    EXPECT_EQ(same, kNotAKey);
  }
}

TEST_F(RegistryContract, RegOpenKeyExAWithAnEmptyPathOpensANewHandle) {
  AddMarkedKey("Top");
  const RegKey top = OpenEx(kHkeyLocalMachine, In("Top"));
  const RegKey again = OpenEx(top, "");
  EXPECT_NE(again, top);
  EXPECT_EQ(MarkerOf(again), "Top");
  ASSERT_EQ(registry().RegCloseKey(top), kErrorSuccess);
  Forget(top);
  EXPECT_EQ(MarkerOf(again), "Top");

  RegKey root = 0;
  EXPECT_EQ(registry().RegOpenKeyExA(kHkeyLocalMachine, "", 0, kKeyRead, root), kErrorSuccess);
  EXPECT_EQ(root, kHkeyLocalMachine);
  RegKey key = 0x1234;
  EXPECT_EQ(registry().RegOpenKeyExA(kNotAKey, "", 0, kKeyRead, key), kErrorInvalidHandle);
  EXPECT_EQ(key, 0x1234u);
}

// --- Handles ------------------------------------------------------------

TEST_F(RegistryContract, EachOpenGivesItsOwnHandle) {
  AddMarkedKey("Top");
  const RegKey first = Open(kHkeyLocalMachine, In("Top"));
  const RegKey second = OpenEx(kHkeyLocalMachine, In("Top"));
  EXPECT_NE(first, second);
  EXPECT_NE(first, kHkeyLocalMachine);
  EXPECT_EQ(registry().RegCloseKey(first), kErrorSuccess);
  Forget(first);
  EXPECT_EQ(MarkerOf(second), "Top");
}

TEST_F(RegistryContract, ClosingHkeyLocalMachineIsAcceptedAndOpensStillWork) {
  AddMarkedKey("Top");
  EXPECT_EQ(registry().RegCloseKey(kHkeyLocalMachine), kErrorSuccess);
  EXPECT_EQ(registry().RegCloseKey(kHkeyLocalMachine), kErrorSuccess);
  // So is any value in the predefined roots' range.
  EXPECT_EQ(registry().RegCloseKey(0x80000001u), kErrorSuccess);
  EXPECT_EQ(registry().RegCloseKey(0xFFFFFFF0u), kErrorSuccess);
  EXPECT_EQ(MarkerOf(OpenEx(kHkeyLocalMachine, In("Top"))), "Top");
  EXPECT_EQ(MarkerOf(Open(kHkeyLocalMachine, In("Top"))), "Top");
}

TEST_F(RegistryContract, ClosingAKeyThatIsNotOpenGives6) {
  AddMarkedKey("Top");
  const RegKey key = Open(kHkeyLocalMachine, In("Top"));
  Forget(key);
  EXPECT_EQ(registry().RegCloseKey(key), kErrorSuccess);
  EXPECT_EQ(registry().RegCloseKey(key), kErrorInvalidHandle);
  EXPECT_EQ(registry().RegCloseKey(kNotAKey), kErrorInvalidHandle);
  EXPECT_EQ(registry().RegCloseKey(0), kErrorInvalidHandle);
  // A closed key is no key.
  EXPECT_EQ(Query(key, "Marker", 100).result, kErrorInvalidHandle);
  RegKey child = 0;
  EXPECT_EQ(registry().RegOpenKeyA(key, "Sub", child), kErrorInvalidHandle);
}

TEST_F(RegistryContract, AKeyDeletedWhileOpenStaysDeletedForItsHandle) {
  AddMarkedKey("Gone");
  seeder_->AddKey(In("Gone\\Kid"));
  const RegKey gone = OpenEx(kHkeyLocalMachine, In("Gone"));
  const RegKey kid = Open(kHkeyLocalMachine, In("Gone\\Kid"));
  seeder_->DeleteKey(In("Gone"));
  AddMarkedKey("Gone");  // the same path again, a new key

  const QueryOutcome read = Query(gone, "Marker", 100);
  EXPECT_EQ(read.result, kErrorKeyDeleted);
  EXPECT_EQ(read.count, 100);
  EXPECT_EQ(read.type, kRegNone);
  EXPECT_EQ(Query(kid, "Marker", 100).result, kErrorKeyDeleted);
  RegKey key = 0;
  EXPECT_EQ(registry().RegOpenKeyA(gone, "Kid", key), kErrorKeyDeleted);
  EXPECT_EQ(registry().RegOpenKeyA(gone, "\\Kid", key), kErrorKeyDeleted);
  EXPECT_EQ(registry().RegOpenKeyExA(gone, "", 0, kKeyRead, key), kErrorKeyDeleted);
  EXPECT_EQ(registry().RegOpenKeyA(gone, "", key), kErrorSuccess);
  EXPECT_EQ(key, gone);
  EXPECT_EQ(MarkerOf(Open(kHkeyLocalMachine, In("Gone"))), "Gone");
  Forget(gone);
  EXPECT_EQ(registry().RegCloseKey(gone), kErrorSuccess);
}

// --- Access -------------------------------------------------------------

TEST_F(RegistryContract, QueriesNeedTheQueryRight) {
  AddMarkedKey("Top");
  seeder_->AddKey(In("Top\\Sub"));
  struct Case {
    std::uint32_t access;
    std::int32_t result;
  } const cases[] = {
      {kKeyRead, kErrorSuccess},     {0x0001, kErrorSuccess},       // KEY_QUERY_VALUE alone
      {0x80000000u, kErrorSuccess},                                 // GENERIC_READ
      {0x0000, kErrorAccessDenied},  {0x0008, kErrorAccessDenied},  // KEY_ENUMERATE_SUB_KEYS
      {0x20006, kErrorAccessDenied},                                // KEY_WRITE
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.access);
    const RegKey key = OpenEx(kHkeyLocalMachine, In("Top"), c.access);
    const QueryOutcome read = Query(key, "Marker", 100);
    EXPECT_EQ(read.result, c.result);
    if (c.result != kErrorSuccess) {
      EXPECT_EQ(read.count, 100);
      EXPECT_EQ(read.type, kRegNone);
    }
    // Opening beneath a key needs no right on it.
    EXPECT_NE(Open(key, "Sub"), 0u);
  }
  EXPECT_EQ(MarkerOf(Open(kHkeyLocalMachine, In("Top"))), "Top");
}

// --- Values -------------------------------------------------------------

TEST_F(RegistryContract, AStringIsReadWithItsTerminatingZero) {
  seeder_->SetString(In("Key"), "PortName", "COM12");
  const QueryOutcome read = Query(OpenEx(kHkeyLocalMachine, In("Key")), "PortName", 100);
  EXPECT_EQ(read.result, kErrorSuccess);
  EXPECT_EQ(read.type, kRegSz);
  EXPECT_EQ(read.count, 6);
  EXPECT_EQ(read.Stored(7), (std::vector<std::uint8_t>{'C', 'O', 'M', '1', '2', 0, kUntouched}));
}

TEST_F(RegistryContract, AValueThatDoesNotFitIsRefusedWith234AndItsSize) {
  seeder_->SetString(In("Key"), "Five", "COM5");
  seeder_->SetString(In("Key"), "Hundred", std::string(99, 'h'));
  seeder_->SetString(In("Key"), "HundredOne", std::string(100, 'o'));
  seeder_->SetValue(In("Key"), "Long", kRegBinary, std::vector<std::uint8_t>(150, 0x42));
  const RegKey key = OpenEx(kHkeyLocalMachine, In("Key"));
  struct Case {
    const char* name;
    std::int32_t count;
    std::int32_t result;
    std::int32_t countAfter;
    std::uint32_t type;
  } const cases[] = {
      {"Five", 5, kErrorSuccess, 5, kRegSz},   // exactly fits
      {"Five", 4, kErrorMoreData, 5, kRegSz},  // one byte too few
      {"Five", 0, kErrorMoreData, 5, kRegSz},
      {"Hundred", 100, kErrorSuccess, 100, kRegSz},
      {"HundredOne", 100, kErrorMoreData, 101, kRegSz},
      {"Long", 100, kErrorMoreData, 150, kRegBinary},  // longer than the lookups' 100 bytes
      {"Long", 102, kErrorMoreData, 150, kRegBinary},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.count));
    const QueryOutcome read = Query(key, c.name, c.count);
    EXPECT_EQ(read.result, c.result);
    EXPECT_EQ(read.count, c.countAfter);
    EXPECT_EQ(read.type, c.type);
    if (c.result == kErrorMoreData) {
      EXPECT_EQ(read.buffer, std::vector<std::uint8_t>(102, kUntouched));
    }
  }
}

TEST_F(RegistryContract, AMissingValueGives2AndLeavesTheCountAndBuffer) {
  seeder_->SetString(In("Key"), "PortName", "COM5");
  const RegKey key = OpenEx(kHkeyLocalMachine, In("Key"));
  for (const std::int32_t count : {100, 0, 7}) {
    SCOPED_TRACE(count);
    const QueryOutcome read = Query(key, "CRLowerDeviceID", count);
    EXPECT_EQ(read.result, kErrorFileNotFound);
    EXPECT_EQ(read.count, count);
    EXPECT_EQ(read.type, kRegNone);
    EXPECT_EQ(read.buffer, std::vector<std::uint8_t>(102, kUntouched));
  }
}

TEST_F(RegistryContract, ValuesStoredWithoutTerminatingZeroKeepTheirSize) {
  seeder_->SetValue(In("Key"), "Sz", kRegSz, Bytes("COM5"));
  seeder_->SetValue(In("Key"), "Expand", kRegExpandSz, Bytes("COM5"));
  seeder_->SetValue(In("Key"), "Multi", kRegMultiSz, Bytes("COM5"));
  seeder_->SetValue(In("Key"), "Binary", kRegBinary, Bytes("COM5"));
  const RegKey key = OpenEx(kHkeyLocalMachine, In("Key"));
  struct Case {
    const char* name;
    std::int32_t count;
    std::uint8_t after;  // the buffer's byte 4 afterwards
  } const cases[] = {
      {"Sz", 100, 0},  // a string gets a zero after it where there is room
      {"Sz", 4, kUntouched}, {"Expand", 100, 0}, {"Multi", 100, 0}, {"Binary", 100, kUntouched},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.count));
    const QueryOutcome read = Query(key, c.name, c.count);
    EXPECT_EQ(read.result, kErrorSuccess);
    EXPECT_EQ(read.count, 4);
    EXPECT_EQ(read.Stored(4), Bytes("COM5"));
    EXPECT_EQ(read.buffer[4], c.after);
    EXPECT_EQ(read.buffer[5], kUntouched);
  }
  EXPECT_EQ(Query(key, "Sz", 3).result, kErrorMoreData);
}

TEST_F(RegistryContract, ValuesComeBackByteForByteWithTheirType) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  } const cases[] = {
      {"Sz", kRegSz, {'C', 'O', 'M', '7', 0}},
      {"Expand", kRegExpandSz, {'%', 'A', '%', 0}},
      {"Binary", kRegBinary, {0x00, 0xFF, 0x10, 0x80}},
      {"Dword", kRegDword, {0x07, 0x00, 0x00, 0x00}},
      {"Multi", kRegMultiSz, {'A', 0, 'B', 0, 0}},
      {"ZeroInside", kRegSz, {'A', 'B', 0, 'C', 'D', 0}},
      {"HighBytes", kRegSz, {0x81, 0x8D, 0xE9, 0xFF, 0x80, 0}},
      {"Empty", kRegSz, {}},
  };
  for (const auto& c : cases) seeder_->SetValue(In("Key"), c.name, c.type, c.bytes);
  const RegKey key = OpenEx(kHkeyLocalMachine, In("Key"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto size = static_cast<std::int32_t>(c.bytes.size());
    const QueryOutcome read = Query(key, c.name, 100);
    EXPECT_EQ(read.result, kErrorSuccess);
    EXPECT_EQ(read.type, c.type);
    EXPECT_EQ(read.count, size);
    EXPECT_EQ(read.Stored(size), c.bytes);
  }
  EXPECT_EQ(Query(key, "Empty", 0).result, kErrorSuccess);
}

TEST_F(RegistryContract, TheDefaultValueHasTheEmptyName) {
  seeder_->SetString(In("Key"), "", "default");
  const RegKey key = OpenEx(kHkeyLocalMachine, In("Key"));
  for (const char* name : {"", static_cast<const char*>(nullptr)}) {
    const QueryOutcome read = Query(key, name, 100);
    EXPECT_EQ(read.result, kErrorSuccess);
    EXPECT_EQ(read.count, 8);
  }
}

TEST_F(RegistryContract, CountsBeyondTheArrayAndReservedAreRefusedWith87Untouched) {
  seeder_->SetString(In("Key"), "PortName", "COM5");
  const RegKey key = OpenEx(kHkeyLocalMachine, In("Key"));
  struct Case {
    std::int32_t count;
    std::int32_t size;
    std::uint32_t reserved;
  } const cases[] = {{11, 10, 0}, {-1, 10, 0}, {100, 102, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " into " + std::to_string(c.size));
    const QueryOutcome read = Query(key, "PortName", c.count, c.size, c.reserved);
    EXPECT_EQ(read.result, kErrorInvalidParameter);
    EXPECT_EQ(read.count, c.count);
    EXPECT_EQ(read.type, kTypeUnset);
    EXPECT_EQ(read.buffer, std::vector<std::uint8_t>(c.size, kUntouched));
  }
}

TEST_F(RegistryContract, AnEmptyArrayWithCountZeroIsNoSizeQuery) {
  seeder_->SetString(In("Key"), "PortName", "COM5");
  const QueryOutcome read = Query(OpenEx(kHkeyLocalMachine, In("Key")), "PortName", 0, 0);
  EXPECT_EQ(read.result, kErrorMoreData);
  EXPECT_EQ(read.count, 5);
}

// --- The lookups' own walk ----------------------------------------------

TEST_F(RegistryContract, TheNtLookupsPathReachesPortNameStoredInCapitals) {
  seeder_->SetString(In("SYSTEM\\CURRENTCONTROLSET\\ENUM\\USB\\VID_10C4&PID_823E&MI_00\\A1_B2_"
                        "00\\DEVICE PARAMETERS"),
                     "PORTNAME", "COM5");
  const RegKey set = OpenEx(kHkeyLocalMachine, In("SYSTEM\\CurrentControlSet\\"));
  const RegKey usb = Open(set, "Enum\\USB\\");
  const RegKey instance = Open(usb, "Vid_10c4&Pid_823e&Mi_00\\A1_B2_00");
  const RegKey parameters = Open(instance, "Device Parameters");
  const QueryOutcome read = Query(parameters, "PortName", 100);
  EXPECT_EQ(read.result, kErrorSuccess);
  EXPECT_EQ(read.count, 5);
  EXPECT_EQ(read.Stored(5), Bytes(std::string("COM5\0", 5)));
  for (const RegKey key : {parameters, instance, usb, set}) {
    Forget(key);
    EXPECT_EQ(registry().RegCloseKey(key), kErrorSuccess);
  }
  EXPECT_EQ(registry().RegCloseKey(kHkeyLocalMachine), kErrorSuccess);
  // A second walk, after the first closed HKEY_LOCAL_MACHINE, finds the same.
  const RegKey again = Open(Open(OpenEx(kHkeyLocalMachine, In("system\\currentcontrolset")),
                                 "ENUM\\USB\\VID_10C4&PID_823E&MI_00\\A1_B2_00\\"),
                            "device parameters\\");
  EXPECT_EQ(Query(again, "portname", 100).count, 5);
}

}  // namespace
}  // namespace tervane
