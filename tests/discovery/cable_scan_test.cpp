// The refresh sequence against the in-memory bridge library, version query, lookup and label.
#include "discovery/cable_scan.h"
#include "discovery/captions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "discovery/modMain.h"
#include "discovery_fakes.h"
#include "platform/runtime_error.h"
#include "support/call_log.h"
#include "support/memory_bridge.h"
#include "support/memory_os_version.h"

namespace tervane {
namespace {

using test::RecordingLabel;
using test::RecordingLookup;
using Fn = MemoryCp210x::Function;
using Names = std::vector<std::string>;

constexpr std::int32_t kVid = 0x10C4;
constexpr std::int32_t kPid = 0x823E;
const char* const kNotFound = kNotFoundCaption;

// Short names for the calls, so an expected sequence reads at a glance.
Names Expand(const Names& shortNames) {
  static const std::map<std::string, std::string> full = {
      {"count", "CP210x_GetNumDevices"},
      {"open", "CP210x_Open"},
      {"vid", "CP210x_GetDeviceVid"},
      {"pid", "CP210x_GetDevicePid"},
      {"serial", "CP210x_GetDeviceSerialNumber"},
      {"close", "CP210x_Close"},
      {"NT", "GetPortNumXP2000Vista"},
      {"98", "GetPortNum98"},
      {"caption", "SetCaption"}};
  Names names;
  for (const auto& n : shortNames) names.push_back(full.count(n) ? full.at(n) : n);
  return names;
}

class CableScanTest : public ::testing::Test {
 protected:
  // The window's load step sets the handle to 1 before the first refresh.
  CableScanTest() { state.DeviceHandle = 1; }

  // Runs one refresh; the caption it set, or "" when it set none.
  std::string Refresh() {
    const auto before = label.captions.size();
    scan.FillDeviceList();
    EXPECT_EQ(label.captions.size(), before + 1);
    return label.captions.size() > before ? label.captions.back() : "";
  }
  Names Calls() const { return log.Names(); }
  std::vector<std::uint8_t> Bytes(const std::string& text) const {
    std::vector<std::uint8_t> bytes(64, 0);
    std::copy(text.begin(), text.end(), bytes.begin());
    return bytes;
  }

  CallLog log;
  MemoryCp210x bridge{&log};
  MemoryOsVersion os{MemoryOsVersion::kWindowsXP, &log};
  RecordingLookup lookup{&log};
  RecordingLabel label{&log};
  modMain state;
  CableScan scan{state, bridge, os, lookup, label};
};

// One bridge, by outcome of its probe: the calls made, the caption and the
// status left in LastStatus. Failures with garbage prove nothing relies on
// what a failing call wrote.
struct ProbeCase {
  const char* name;
  std::function<void(MemoryCp210x&)> seed;
  Names calls;
  const char* caption;
  std::int16_t lastStatus;
};

const Names kFound = {"count", "open",       "vid", "pid",    "serial",
                      "close", "GetVersion", "NT",  "caption"};

const ProbeCase kProbeCases[] = {
    {"OpenFails",
     [](MemoryCp210x& b) { b.Fail(Fn::Open, 0, 7); },
     {"count", "open", "caption"},
     kNotFound,
     7},
    {"OpenFailsWritingGarbage",
     [](MemoryCp210x& b) { b.Fail(Fn::Open, 0, 7, true); },
     {"count", "open", "caption"},
     kNotFound,
     7},
    {"VidFails",
     [](MemoryCp210x& b) { b.Fail(Fn::GetDeviceVid, 0, 9, true); },
     {"count", "open", "vid", "close", "caption"},
     kNotFound,
     9},
    {"PidFails",
     [](MemoryCp210x& b) { b.Fail(Fn::GetDevicePid, 0, 0x22, true); },
     {"count", "open", "vid", "pid", "close", "caption"},
     kNotFound,
     0x22},
    {"SerialFails",
     [](MemoryCp210x& b) { b.Fail(Fn::GetDeviceSerialNumber, 0, 4, true); },
     {"count", "open", "vid", "pid", "serial", "close", "caption"},
     kNotFound,
     4},
    {"StatusKeepsItsLow16Bits",
     [](MemoryCp210x& b) { b.Fail(Fn::GetDeviceSerialNumber, 0, 0x12345); },
     {"count", "open", "vid", "pid", "serial", "close", "caption"},
     kNotFound,
     0x2345},
    // Only the low 16 bits count, so 0x10000 reads as success.
    {"Status0x10000CountsAsSuccess",
     [](MemoryCp210x& b) { b.Fail(Fn::GetDeviceSerialNumber, 0, 0x10000); }, kFound, "COM Port: 3",
     0},
    {"CloseFailsIgnored", [](MemoryCp210x& b) { b.Fail(Fn::Close, 0, 0x33); }, kFound,
     "COM Port: 3", 0},
    {"Found", [](MemoryCp210x&) {}, kFound, "COM Port: 3", 0},
};

class ProbeOutcome : public CableScanTest, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(ProbeOutcome, CallsCaptionAndStatus) {
  bridge.AddBridge(kVid, kPid, "VYX 0042");
  GetParam().seed(bridge);
  EXPECT_EQ(Refresh(), GetParam().caption);
  EXPECT_EQ(Calls(), Expand(GetParam().calls));
  EXPECT_EQ(state.LastStatus, GetParam().lastStatus);
  EXPECT_EQ(bridge.invalidHandleUses(), 0);
  EXPECT_FALSE(state.DeviceHandleOpen);
  if (GetParam().calls.size() > 3) {  // the open succeeded
    EXPECT_TRUE(bridge.EachOpenedClosedOnce());
    EXPECT_EQ(state.DeviceHandle, MemoryCp210x::kFirstHandle);
  }
}

INSTANTIATE_TEST_SUITE_P(OneBridge, ProbeOutcome, ::testing::ValuesIn(kProbeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CableScanTest, OnlyTheCablesIdsMatch) {
  bridge.AddBridge(kVid, 0xEA60, "A");
  bridge.AddBridge(0x10C5, kPid, "B");
  bridge.AddBridge(kPid, kVid, "C");
  bridge.AddBridge(0, 0, "D");
  EXPECT_EQ(Refresh(), kNotFound);
  EXPECT_EQ(bridge.openings().size(), 4u);
  EXPECT_TRUE(bridge.EachOpenedClosedOnce());
  for (const auto& call : bridge.calls()) EXPECT_NE(call.function, Fn::GetDeviceSerialNumber);
}

TEST_F(CableScanTest, SerialCallGetsTheFlagSetBeforeEachCall) {
  bridge.AddBridge(kVid, kPid, "ONE");
  bridge.AddBridge(kVid, kPid, "TWO");
  bridge.Fail(Fn::GetDeviceSerialNumber, 0, 5, true);  // writes garbage into the flag word
  Refresh();
  std::vector<std::int32_t> flags;
  for (const auto& call : bridge.calls()) {
    if (call.function == Fn::GetDeviceSerialNumber) flags.push_back(call.flag);
  }
  EXPECT_EQ(flags, (std::vector<std::int32_t>{-1, -1}));
}

TEST_F(CableScanTest, EveryCallOfAnIndexUsesItsOwnHandle) {
  bridge.AddBridge(1, 2);
  bridge.AddBridge(kVid, kPid, "S");
  Refresh();
  for (const auto& call : bridge.calls()) {
    if (call.function == Fn::GetNumDevices) continue;
    EXPECT_EQ(call.handle, MemoryCp210x::kFirstHandle + MemoryCp210x::kHandleStep * call.index)
        << MemoryCp210x::NameOf(call.function) << " of index " << call.index;
  }
}

TEST_F(CableScanTest, CountsWithoutAPass) {
  bridge.AddBridge(kVid, kPid, "S");  // attached, so a wrong loop would find it
  for (std::int32_t count : {0, -1, -5, INT32_MIN + 1}) {
    log.Clear();
    bridge.SetCount(count);
    EXPECT_EQ(Refresh(), kNotFound) << count;
    EXPECT_EQ(Calls(), Expand({"count", "caption"})) << count;
  }
  EXPECT_EQ(os.calls(), 0);
}

TEST_F(CableScanTest, MostNegativeCountOverflowsBeforeAnyOpen) {
  bridge.AddBridge(kVid, kPid, "S");
  bridge.SetCount(INT32_MIN);
  // A wrapped last index would open index 0 and end with this other error.
  bridge.Raise(Fn::Open, 0, RuntimeError::SubscriptOutOfRange());
  try {
    scan.FillDeviceList();
    FAIL() << "no error raised";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), ErrorCode::Overflow);
  }
  EXPECT_EQ(Calls(), Expand({"count"}));
  EXPECT_EQ(state.DeviceCount, INT32_MIN);
  EXPECT_TRUE(label.captions.empty());
}

TEST_F(CableScanTest, CountBeyondTheBridgesProbesEveryIndex) {
  bridge.AddBridge(kVid, kPid, "S");
  bridge.SetCount(3);
  EXPECT_EQ(Refresh(), "COM Port: 3");
  EXPECT_EQ(Calls(), Expand({"count", "open", "vid", "pid", "serial", "close", "GetVersion", "NT",
                             "open", "open", "caption"}));
  EXPECT_EQ(state.LastStatus, MemoryCp210x::kStatusNoSuchDevice);
}

// An absurd count is probed only up to the cap: the scan ends, with the
// cable found when it lies within the cap, and DeviceCount keeps the count.
TEST_F(CableScanTest, AbsurdCountsAreProbedOnlyUpToTheCap) {
  const std::int32_t cap = CableScan::kMaxBridgesProbed;
  struct Case {
    std::int32_t count;
    std::int32_t cableIndex;
    const char* caption;
    std::size_t opens;
  };
  const Case cases[] = {{INT32_MAX, 0, "COM Port: 3", cap},
                        {INT32_MAX, cap - 1, "COM Port: 3", cap},
                        {cap + 1, cap, kNotFound, cap},
                        {cap, cap - 1, "COM Port: 3", cap},
                        {cap - 1, cap - 2, "COM Port: 3", cap - 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    MemoryCp210x bridges{&log};
    for (std::int32_t i = 0; i < c.cableIndex; ++i) bridges.AddBridge(kVid, 0xEA60, "OTHER");
    bridges.AddBridge(kVid, kPid, "S");
    bridges.SetCount(c.count);
    log.Clear();
    CableScan capped{state, bridges, os, lookup, label};
    capped.FillDeviceList();
    EXPECT_EQ(label.captions.back(), c.caption);
    const Names calls = Calls();
    EXPECT_EQ(static_cast<std::size_t>(std::count(calls.begin(), calls.end(), "CP210x_Open")),
              c.opens);
    EXPECT_EQ(state.DeviceCount, c.count);
    EXPECT_FALSE(state.DeviceHandleOpen);
  }
}

// The failed count writes nothing, so the scan walks the count of the refresh before.
TEST_F(CableScanTest, FailedCountUsesWhatDeviceCountHolds) {
  bridge.AddBridge(kVid, kPid, "S");
  Refresh();
  bridge.Fail(Fn::GetNumDevices, 0, 0x0F);
  bridge.AddBridge(kVid, kPid, "T");  // not counted by the failing call
  scan.EnumDevices();
  EXPECT_EQ(state.LastStatus, 0x0F);
  EXPECT_EQ(state.DeviceCount, 1);
  scan.GetDeviceData();
  EXPECT_EQ(bridge.openings().size(), 2u);  // index 0 in each refresh
}

struct VersionCase {
  const char* name;
  std::uint32_t version;
  const char* lookup;  // "" for none
  const char* caption;
};

const VersionCase kVersionCases[] = {
    {"Windows95", MemoryOsVersion::kWindows95, "GetPortNum98", "COM Port: 3"},
    {"Windows98", MemoryOsVersion::kWindows98, "GetPortNum98", "COM Port: 3"},
    {"WindowsMe", MemoryOsVersion::kWindowsMe, "GetPortNum98", "COM Port: 3"},
    {"WindowsNT4", MemoryOsVersion::kWindowsNT4, "", "COM Port: 0"},
    {"Windows2000", MemoryOsVersion::kWindows2000, "GetPortNumXP2000Vista", "COM Port: 3"},
    {"WindowsXP", MemoryOsVersion::kWindowsXP, "GetPortNumXP2000Vista", "COM Port: 3"},
    {"Windows7", MemoryOsVersion::kWindows7, "GetPortNumXP2000Vista", "COM Port: 3"},
    {"Windows8", MemoryOsVersion::kWindows8, "GetPortNumXP2000Vista", "COM Port: 3"},
    {"Windows10Manifested", MemoryOsVersion::kWindows10Manifested, "", "COM Port: 0"},
    // Bits 4 to 30 take no part in the choice.
    {"MiddleBitsIgnored", 0x7FFFFFF6u, "GetPortNumXP2000Vista", "COM Port: 3"},
    {"Family95Major5", 0x80000005u, "", "COM Port: 0"},
    {"Family95Major6", 0x80000006u, "", "COM Port: 0"},
};

class VersionChoice : public CableScanTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionChoice, PicksTheLookup) {
  os.Set(GetParam().version);
  bridge.AddBridge(kVid, kPid, "VYX 0042");
  EXPECT_EQ(Refresh(), GetParam().caption);
  const std::string expected = GetParam().lookup;
  if (expected.empty()) {
    EXPECT_TRUE(lookup.calls.empty());
    return;
  }
  ASSERT_EQ(lookup.calls.size(), 1u);
  const auto& call = lookup.calls[0];
  EXPECT_EQ(call.function, expected);
  EXPECT_EQ(call.vid, kVid);
  EXPECT_EQ(call.pid, kPid);
  EXPECT_EQ(call.serialBytes, Bytes("VYX 0042"));
  EXPECT_EQ(call.serialLength, 8);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionChoice, ::testing::ValuesIn(kVersionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CableScanTest, PortTextIsPlainDecimal) {
  bridge.AddBridge(kVid, kPid, "S");
  const std::pair<std::int16_t, const char*> cases[] = {
      {-1, "COM Port: -1"}, {0, "COM Port: 0"},         {7, "COM Port: 7"},
      {12, "COM Port: 12"}, {32767, "COM Port: 32767"}, {-32768, "COM Port: -32768"}};
  for (const auto& [port, caption] : cases) {
    lookup.answers = {port};
    lookup.calls.clear();
    EXPECT_EQ(Refresh(), caption);
  }
}

TEST_F(CableScanTest, TwoCablesTheHigherIndexWins) {
  bridge.AddBridge(1, 2);
  bridge.AddBridge(kVid, kPid, "FIRST");
  bridge.AddBridge(kVid, kPid, "SECOND");
  lookup.answers = {4, 9};
  EXPECT_EQ(Refresh(), "COM Port: 9");
  ASSERT_EQ(lookup.calls.size(), 2u);
  EXPECT_EQ(lookup.calls[0].serialBytes, Bytes("FIRST"));
  EXPECT_EQ(lookup.calls[1].serialBytes, Bytes("SECOND"));
  EXPECT_TRUE(bridge.EachOpenedClosedOnce());
}

// Only an index whose own serial read succeeded runs the port step; the
// cable found earlier still counts.
TEST_F(CableScanTest, LaterIndicesWithoutASerialRunNoPortStep) {
  bridge.AddBridge(kVid, kPid, "FIRST");
  bridge.AddBridge(1, 2);
  bridge.AddBridge(kVid, kPid, "BROKEN");
  bridge.Fail(Fn::GetDeviceSerialNumber, 2, 3, true);
  bridge.AddBridge(kVid, kPid, "SHUT");
  bridge.Fail(Fn::Open, 3, 3);
  lookup.answers = {4, 99};
  EXPECT_EQ(Refresh(), "COM Port: 4");
  EXPECT_EQ(os.calls(), 1);
  EXPECT_EQ(lookup.calls.size(), 1u);
}

TEST_F(CableScanTest, FailedPidNeverMatchesOnAnEarlierPid) {
  bridge.AddBridge(0x10C5, kPid, "A");  // leaves the cable's product ID in Pid
  bridge.AddBridge(kVid, kPid, "B");
  bridge.Fail(Fn::GetDevicePid, 1, 6);
  EXPECT_EQ(Refresh(), kNotFound);
  EXPECT_EQ(Calls(), Expand({"count", "open", "vid", "pid", "close", "open", "vid", "pid", "close",
                             "caption"}));
}

// The array is made once per scan: a shorter serial read later leaves the
// tail of the longer one, and the next scan starts from zeros.
TEST_F(CableScanTest, SerialArrayLivesForOneScan) {
  bridge.AddBridge(kVid, kPid, "ABCDEFGH");
  bridge.AddBridge(kVid, kPid, "XY");
  Refresh();
  ASSERT_EQ(lookup.calls.size(), 2u);
  EXPECT_EQ(lookup.calls[1].serialBytes, Bytes("XYCDEFGH"));
  EXPECT_EQ(lookup.calls[1].serialLength, 2);
  bridge.bridge(0).serial = {'Q'};
  Refresh();
  EXPECT_EQ(lookup.calls[2].serialBytes, Bytes("Q"));
  EXPECT_EQ(lookup.calls[3].serialBytes, Bytes("XY"));
}

TEST_F(CableScanTest, LookupIsHandedTheLengthTheLibraryReported) {
  for (std::int32_t length : {10, 65, 1000, -3, INT32_MIN}) {
    bridge.RemoveAllBridges();
    bridge.AddBridge(kVid, kPid, "AB");
    bridge.bridge(0).reportedLength = length;
    lookup.calls.clear();
    Refresh();
    ASSERT_EQ(lookup.calls.size(), 1u);
    EXPECT_EQ(lookup.calls[0].serialLength, length);
    EXPECT_EQ(lookup.calls[0].serialBytes, Bytes("AB"));
  }
}

TEST_F(CableScanTest, LookupErrorEndsTheScanWithTheBridgeClosed) {
  bridge.AddBridge(kVid, kPid, "S");
  bridge.AddBridge(kVid, kPid, "T");
  Refresh();
  log.Clear();
  lookup.error = RuntimeError::SubscriptOutOfRange();
  EXPECT_THROW(scan.FillDeviceList(), RuntimeError);
  EXPECT_EQ(Calls(),
            Expand({"count", "open", "vid", "pid", "serial", "close", "GetVersion", "NT"}));
  EXPECT_EQ(label.captions, Names{"COM Port: 3"});
  EXPECT_TRUE(bridge.OpenHandles().empty());
  EXPECT_FALSE(state.DeviceHandleOpen);
}

// A function that cannot be bound while a bridge is open leaves it open, and
// the window's unload step can still close it.
TEST_F(CableScanTest, LibraryErrorMidProbeLeavesThatBridgeOpen) {
  const std::pair<Fn, Names> cases[] = {
      {Fn::GetDeviceVid, {"count", "open", "vid"}},
      {Fn::GetDevicePid, {"count", "open", "vid", "pid"}},
      {Fn::GetDeviceSerialNumber, {"count", "open", "vid", "pid", "serial"}},
      {Fn::Close, {"count", "open", "vid", "pid", "serial", "close"}}};
  for (const auto& [function, calls] : cases) {
    state = modMain{};
    state.DeviceHandle = 1;
    MemoryCp210x fresh(&log);
    CableScan scanOf(state, fresh, os, lookup, label);
    fresh.AddBridge(kVid, kPid, "S");
    fresh.Raise(function, 0, RuntimeError::EntryPointNotFound("X", "usbdongle.dll"));
    log.Clear();
    try {
      scanOf.FillDeviceList();
      ADD_FAILURE() << "no error raised";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.code(), ErrorCode::EntryPointNotFound);
    }
    EXPECT_EQ(Calls(), Expand(calls));
    EXPECT_EQ(fresh.OpenHandles(), std::vector<std::uint32_t>{MemoryCp210x::kFirstHandle});
    EXPECT_TRUE(state.DeviceHandleOpen);
    EXPECT_EQ(state.DeviceHandle, MemoryCp210x::kFirstHandle);
  }
  EXPECT_TRUE(label.captions.empty());
}

TEST_F(CableScanTest, MissingLibraryFailsAtTheCount) {
  bridge.AddBridge(kVid, kPid, "S");
  bridge.Raise(Fn::GetNumDevices, 0, RuntimeError::FileNotFound("usbdongle.dll"));
  EXPECT_THROW(scan.FillDeviceList(), RuntimeError);
  EXPECT_EQ(Calls(), Expand({"count"}));
  EXPECT_EQ(state.DeviceHandle, 1u);
  EXPECT_FALSE(state.DeviceHandleOpen);
}

TEST_F(CableScanTest, LabelErrorPropagatesAfterEveryBridgeIsClosed) {
  bridge.AddBridge(kVid, kPid, "S");
  label.error = RuntimeError::Overflow();
  EXPECT_THROW(scan.FillDeviceList(), RuntimeError);
  EXPECT_EQ(Calls().back(), "SetCaption");
  EXPECT_TRUE(bridge.EachOpenedClosedOnce());
}

TEST_F(CableScanTest, ProgramStateIsKeptAcrossRefreshes) {
  EXPECT_EQ(Refresh(), kNotFound);
  EXPECT_EQ(state.DeviceHandle, 1u);  // nothing opened yet
  bridge.AddBridge(kVid, kPid, "S");
  bridge.AddBridge(1, 2);
  bridge.Fail(Fn::GetDevicePid, 1, 0x41);
  EXPECT_EQ(Refresh(), "COM Port: 3");
  EXPECT_EQ(state.DeviceCount, 2);
  EXPECT_EQ(state.LastStatus, 0x41);
  EXPECT_EQ(state.DeviceHandle, MemoryCp210x::kFirstHandle + MemoryCp210x::kHandleStep);
  // A refresh that ends at its count changes only what the count wrote.
  bridge.Raise(Fn::GetNumDevices, 0, RuntimeError::FileNotFound("usbdongle.dll"));
  EXPECT_THROW(scan.FillDeviceList(), RuntimeError);
  EXPECT_EQ(state.DeviceCount, 2);
  EXPECT_EQ(state.LastStatus, 0x41);
  EXPECT_EQ(state.DeviceHandle, MemoryCp210x::kFirstHandle + MemoryCp210x::kHandleStep);
  EXPECT_FALSE(state.DeviceHandleOpen);
  EXPECT_TRUE(bridge.EachOpenedClosedOnce());
}

}  // namespace
}  // namespace tervane
