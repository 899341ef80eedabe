// The stand-in library's scenario reader: numbers, byte escapes, fields, errors that void a file,
// seeding.
#include "support/scenario.h"

#include <gtest/gtest.h>

#include "support/byte_text.h"

namespace tervane {
namespace standin {
namespace {

using Fn = MemoryCp210x::Function;

MemoryCp210x::Bridge OnlyBridge(const std::string& line) {
  const Scenario scenario = ParseScenario(line);
  EXPECT_EQ(scenario.bridges.size(), 1u);
  return scenario.bridges.empty() ? MemoryCp210x::Bridge() : scenario.bridges[0].bridge;
}

std::string SerialOf(const MemoryCp210x::Bridge& bridge) {
  return std::string(bridge.serial.begin(), bridge.serial.end());
}

TEST(StandinScenario, ReadsNumbersInEveryForm) {
  const std::pair<const char*, std::int32_t> cases[] = {{"0", 0},
                                                        {"4292", 4292},
                                                        {"0x10c4", 0x10C4},
                                                        {"0X823E", 0x823E},
                                                        {"-1", -1},
                                                        {"0xFFFFFFFF", -1},
                                                        {"-0x10", -16},
                                                        {"2147483647", 2147483647},
                                                        {"-2147483648", INT32_MIN},
                                                        {"4294967295", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(OnlyBridge(std::string("bridge vid=") + c.first).vid, c.second);
  }
}

TEST(StandinScenario, ReadsByteEscapes) {
  const std::pair<const char*, std::string> cases[] = {
      {"A1\\sB2", "A1 B2"}, {"\\\\", "\\"}, {"\\x00\\x7f\\xFF", std::string("\x00\x7F\xFF", 3)},
      {"\\x23", "#"},       {"", ""},       {"plain-text_1", "plain-text_1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(SerialOf(OnlyBridge(std::string("bridge serial=") + c.first)), c.second);
  }
}

TEST(StandinScenario, EscapesEveryByteSoThatItReadsBack) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string escaped = test::EscapeBytes(all);
  EXPECT_EQ(escaped.find_first_of(" #\t\r\n"), std::string::npos) << escaped;
  EXPECT_EQ(SerialOf(OnlyBridge("bridge serial=" + escaped)), all);
}

TEST(StandinScenario, BridgeFieldsAndDefaults) {
  const Scenario scenario = ParseScenario(
      "# a comment line\n"
      "\n"
      "bridge vid=0x10c4 pid=0x823e serial=AB   # trailing comment\r\n"
      "bridge serial=XYZ length=70 write=200 fail=Open:3 fail=CP210x_Close:-4\n");
  ASSERT_EQ(scenario.bridges.size(), 2u);
  const MemoryCp210x::Bridge& first = scenario.bridges[0].bridge;
  EXPECT_EQ(first.vid, 0x10C4);
  EXPECT_EQ(first.pid, 0x823E);
  EXPECT_EQ(first.ReportedLength(), 2);
  EXPECT_EQ(first.StoredLength(), 2);
  EXPECT_TRUE(scenario.bridges[0].failures.empty());
  const MemoryCp210x::Bridge& second = scenario.bridges[1].bridge;
  EXPECT_EQ(second.vid, 0);
  EXPECT_EQ(second.ReportedLength(), 70);
  EXPECT_EQ(second.StoredLength(), 200);
  using Failure = std::pair<Fn, std::int32_t>;
  EXPECT_EQ(scenario.bridges[1].failures, (std::vector<Failure>{{Fn::Open, 3}, {Fn::Close, -4}}));
  EXPECT_FALSE(scenario.count);
  EXPECT_EQ(scenario.countStatus, 0);
}

TEST(StandinScenario, CountOverride) {
  const Scenario scenario = ParseScenario("numdevices count=-2147483648 status=5\nbridge\n");
  EXPECT_EQ(scenario.count, INT32_MIN);
  EXPECT_EQ(scenario.countStatus, 5);
  EXPECT_EQ(scenario.bridges.size(), 1u);
}

TEST(StandinScenario, RejectsMalformedLinesNamingTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"bridge vid=0x100000000", "beyond 32 bits"},
      {"bridge vid=-2147483649", "beyond 32 bits"},
      {"bridge vid=12a", "not a number"},
      {"bridge vid=", "not a number"},
      {"bridge vid=0x", "not a number"},
      {"bridge serial=\\q", "bad escape"},
      {"bridge serial=\\x4", "bad escape"},
      {"bridge serial=ab\\", "bad escape"},
      {"bridge fail=Open", "Call:status"},
      {"bridge fail=Reset:3", "unknown call"},
      {"bridge fail=Open:0", "non-zero"},
      {"bridge write=257", "write must lie"},
      {"bridge write=-1", "write must lie"},
      {"bridge colour=red", "unknown bridge field"},
      {"bridge vid", "without '='"},
      {"numdevices pid=3", "unknown numdevices field"},
      {"device vid=1", "unknown directive"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    try {
      ParseScenario(std::string("bridge vid=1\n\n") + c.first + "\n");
      ADD_FAILURE() << "accepted";
    } catch (const ScenarioError& error) {
      const std::string what = error.what();
      EXPECT_EQ(what.rfind("line 3: ", 0), 0u) << what;
      EXPECT_NE(what.find(c.second), std::string::npos) << what;
    }
  }
}

// Seeding puts the scenario's bridges, failures and count into the model
// and takes away what an earlier seeding put there.
TEST(StandinScenario, SeedsTheModel) {
  MemoryCp210x model;
  Seed(model, ParseScenario("bridge vid=9\nbridge vid=8\n"));
  std::uint32_t old = 0;
  ASSERT_EQ(model.CP210x_Open(1, old), 0);
  Seed(model,
       ParseScenario("numdevices count=7\nbridge vid=0x10c4 serial=AB fail=GetDevicePid:6\n"));
  std::int32_t count = 0, id = 0;
  EXPECT_EQ(model.CP210x_GetNumDevices(count), 0);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(model.CP210x_GetDeviceVid(old, id), MemoryCp210x::kStatusInvalidHandle);
  std::uint32_t handle = 0;
  EXPECT_EQ(model.CP210x_Open(1, handle), MemoryCp210x::kStatusNoSuchDevice);
  ASSERT_EQ(model.CP210x_Open(0, handle), 0);
  EXPECT_EQ(model.CP210x_GetDeviceVid(handle, id), 0);
  EXPECT_EQ(id, 0x10C4);
  EXPECT_EQ(model.CP210x_GetDevicePid(handle, id), 6);
}

// A failing count writes through its reference only a count the scenario names.
TEST(StandinScenario, FailingCountWritesOnlyANamedCount) {
  const std::pair<const char*, std::int32_t> cases[] = {{"numdevices status=7\nbridge\n", -99},
                                                        {"numdevices status=7 count=3\n", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    MemoryCp210x model;
    Seed(model, ParseScenario(c.first));
    std::int32_t count = -99;
    EXPECT_EQ(model.CP210x_GetNumDevices(count), 7);
    EXPECT_EQ(count, c.second);
  }
}

}  // namespace
}  // namespace standin
}  // namespace tervane
