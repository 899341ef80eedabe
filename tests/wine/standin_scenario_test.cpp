// The stand-in library's scenario reader: numbers, byte escapes, fields, errors that void a file.
#include <gtest/gtest.h>

#include "scenario.h"

namespace tervane {
namespace standin {
namespace {

Bridge OnlyBridge(const std::string& line) {
  const Scenario scenario = ParseScenario(line);
  EXPECT_EQ(scenario.bridges.size(), 1u);
  return scenario.bridges.empty() ? Bridge() : scenario.bridges[0];
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
    EXPECT_EQ(OnlyBridge(std::string("bridge serial=") + c.first).serial, c.second);
  }
}

TEST(StandinScenario, EscapesEveryByteSoThatItReadsBack) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string escaped = EscapeBytes(all);
  EXPECT_EQ(escaped.find_first_of(" #\t\r\n"), std::string::npos) << escaped;
  EXPECT_EQ(OnlyBridge("bridge serial=" + escaped).serial, all);
}

TEST(StandinScenario, BridgeFieldsAndDefaults) {
  const Scenario scenario = ParseScenario(
      "# a comment line\n"
      "\n"
      "bridge vid=0x10c4 pid=0x823e serial=AB   # trailing comment\r\n"
      "bridge serial=XYZ length=70 write=200 fail=Open:3 fail=CP210x_Close:-4\n");
  ASSERT_EQ(scenario.bridges.size(), 2u);
  const Bridge& first = scenario.bridges[0];
  EXPECT_EQ(first.vid, 0x10C4);
  EXPECT_EQ(first.pid, 0x823E);
  EXPECT_EQ(first.ReportedLength(), 2);
  EXPECT_EQ(first.BytesWritten(), 2);
  for (std::size_t call = 0; call < kBridgeCallCount; ++call) EXPECT_FALSE(first.failures[call]);
  const Bridge& second = scenario.bridges[1];
  EXPECT_EQ(second.vid, 0);
  EXPECT_EQ(second.ReportedLength(), 70);
  EXPECT_EQ(second.BytesWritten(), 200);
  EXPECT_EQ(second.FailureOf(BridgeCall::Open), 3);
  EXPECT_EQ(second.FailureOf(BridgeCall::Close), -4);
  EXPECT_FALSE(second.FailureOf(BridgeCall::GetDeviceVid));
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

}  // namespace
}  // namespace standin
}  // namespace tervane
