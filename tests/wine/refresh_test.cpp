// The whole refresh under Wine: the stand-in bridge library, Wine's registry and the Windows
// version Wine reports. The runner seeds the registry from refresh_seed.reg and the cables of
// tests/e2e/cable.reg and sets the program's Windows version; TERVANE_EXPECT_LOOKUP names the
// lookup that version takes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "discovery/cable_scan.h"
#include "discovery/captions.h"
#include "discovery/modMain.h"
#include "discovery/windows_family.h"
#include "platform/runtime_error.h"
#include "platform/win32/win32_seams.h"
#include "portlookup/registry_port_lookup.h"
#include "standin_session.h"
#include "support/byte_text.h"
#include "support/cable_seed.h"
#include "support/memory_bridge.h"
#include "support/recording_label.h"

namespace tervane {
namespace {

using test::RecordingLabel;
using test::StandinSession;

// From the runner: the family of tests/e2e/modes.txt, "nt", "95" or "none".
LookupFamily ExpectedLookup() {
  const char* value = std::getenv("TERVANE_EXPECT_LOOKUP");
  const std::string name = value != nullptr ? value : "";
  if (name == "nt") return LookupFamily::NtFamily;
  if (name == "95") return LookupFamily::Windows95Family;
  if (name == "none") return LookupFamily::None;
  ADD_FAILURE() << "TERVANE_EXPECT_LOOKUP must be nt, 95 or none, not '" << name << "'";
  return LookupFamily::None;
}

const char* const kNotFound = kNotFoundCaption;
const char* kCable = "bridge vid=0x10c4 pid=0x823e ";

// The seeded cable whose port the two families keep apart, its serial in small
// letters: the NT family's key names match whatever their case, and the 95
// family's lookup capitalises the serial.
const test::seed::Cable& kSeededCable = test::seed::kFamilyCable;

std::string CableSerial() {
  std::string serial = kSeededCable.serial;
  for (char& c : serial) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return serial;
}

// The scenario line of a cable with the serial's bytes and further fields.
std::string CableWith(const std::string& serial, const std::string& fields = "") {
  return std::string(kCable) + "serial=" + test::EscapeBytes(serial) + fields + "\n";
}

std::string PortCaption(int port) { return kPortCaptionPrefix + std::to_string(port); }

// The program's pieces, wired as the window wires them, over the real Win32
// side of every seam.
class Refresh : public ::testing::Test {
 protected:
  Refresh() : lookup_(registry_), scan_(state_, bridge_, os_, lookup_, label_) {
    state_.DeviceHandle = 1;
  }

  // Runs one refresh with the given bridges attached; returns the caption.
  std::string RefreshWith(const std::string& scenario) {
    standin_.Attach(scenario);
    const std::size_t before = label_.captions.size();
    scan_.FillDeviceList();
    EXPECT_EQ(label_.captions.size(), before + 1) << "the caption is set once per refresh";
    return label_.captions.empty() ? std::string() : label_.captions.back();
  }

  StandinSession standin_;
  modMain state_;
  Win32Cp210x bridge_;
  Win32OsVersion os_;
  Win32Registry registry_;
  RegistryPortLookup lookup_;
  RecordingLabel label_;
  CableScan scan_;
};

// What each seeded serial gives, by the lookup that the version takes.
struct SerialCase {
  std::string serial;  // the bytes the bridge reports
  std::string nt;
  std::string win95;
  const char* why;
};

std::vector<SerialCase> SerialCases() {
  return {
      {CableSerial(), PortCaption(kSeededCable.ntPort), PortCaption(kSeededCable.win95Port),
       "NT: interface key, the blank made an underscore, names matched whatever their case; "
       "95: its instance, the serial in capitals"},
      {"TVDEV9", PortCaption(9), PortCaption(5), "NT: the device key, as no interface key exists"},
      {"TVBARE", PortCaption(-1), PortCaption(-1),
       "NT: an interface key without Device Parameters, the device key not tried; 95: no instance"},
      {"NOSUCH1", PortCaption(-1), PortCaption(-1), "in no key"},
  };
}

std::string Expected(const SerialCase& c, LookupFamily lookup) {
  switch (lookup) {
    case LookupFamily::NtFamily:
      return c.nt;
    case LookupFamily::Windows95Family:
      return c.win95;
    case LookupFamily::None:
      break;
  }
  return PortCaption(0);  // no lookup runs, and the port number keeps its start value
}

TEST_F(Refresh, WineReportsTheVersionFamilyOfTheLookup) {
  const std::uint32_t version = os_.GetVersion();
  EXPECT_EQ(LookupFamilyOf(version), ExpectedLookup()) << std::hex << version;
}

TEST_F(Refresh, NoBridgeAttached) { EXPECT_EQ(RefreshWith(""), kNotFound); }

TEST_F(Refresh, ShowsThePortOfEachSeededSerial) {
  const LookupFamily lookup = ExpectedLookup();
  for (const SerialCase& c : SerialCases()) {
    SCOPED_TRACE(c.serial + ": " + c.why);
    EXPECT_EQ(RefreshWith(CableWith(c.serial)), Expected(c, lookup));
  }
}

TEST_F(Refresh, AttachAndDetachBetweenRefreshes) {
  const std::string cable = CableWith(CableSerial());
  const std::string port = Expected(SerialCases()[0], ExpectedLookup());
  EXPECT_EQ(RefreshWith(""), kNotFound);
  EXPECT_EQ(RefreshWith(cable), port);
  EXPECT_EQ(RefreshWith(""), kNotFound);
  EXPECT_EQ(RefreshWith(cable), port);
}

TEST_F(Refresh, FindsTheCableAmongOtherBridges) {
  const std::string scenario =
      "bridge vid=0x10c4 pid=0xea60 serial=OTHER\n"
      "bridge vid=0x10c4 pid=0x823e serial=BROKEN fail=Open:3\n"
      "bridge vid=0x10c4 pid=0x823e serial=NOSERIAL fail=GetDeviceSerialNumber:4\n" +
      CableWith(CableSerial());
  EXPECT_EQ(RefreshWith(scenario), Expected(SerialCases()[0], ExpectedLookup()));
}

// The handle is the one the model handed out to this scan's open, and every
// later call of the index uses it.
TEST_F(Refresh, MakesTheBridgeCallsInOrderAndClosesWhatItOpened) {
  RefreshWith(std::string(kCable) + "serial=TVDEV9\n");
  const std::vector<std::string> log = standin_.LogLines();
  ASSERT_EQ(log.size(), 6u);
  const std::string opened = log[1].substr(log[1].rfind("handle="));
  const auto value = static_cast<std::uint32_t>(std::stoul(opened.substr(9), nullptr, 16));
  EXPECT_GE(value, MemoryCp210x::kFirstHandle);
  EXPECT_EQ((value - MemoryCp210x::kFirstHandle) % MemoryCp210x::kHandleStep, 0u);
  EXPECT_EQ(opened, "handle=" + test::HexText(value));
  const std::vector<std::string> expected = {
      "CP210x_GetNumDevices -> status=0 count=1",
      "CP210x_Open index=0 -> status=0 " + opened,
      "CP210x_GetDeviceVid " + opened + " -> status=0 vid=0x10c4",
      "CP210x_GetDevicePid " + opened + " -> status=0 pid=0x823e",
      "CP210x_GetDeviceSerialNumber " + opened +
          " flag=-1 -> status=0 length=6 written=6 serial=TVDEV9",
      "CP210x_Close " + opened + " -> status=0",
  };
  EXPECT_EQ(log, expected);
}

// A library reporting more than the 64 bytes the array holds: the lookups'
// own bounds test raises the error, and the caption stays as it was. Without
// a lookup nothing reads the serial.
TEST_F(Refresh, SerialLengthBeyondTheArray) {
  const std::string scenario = CableWith(CableSerial(), " length=65");
  standin_.Attach(scenario);
  if (ExpectedLookup() == LookupFamily::None) {
    scan_.FillDeviceList();
    EXPECT_EQ(label_.captions, std::vector<std::string>{PortCaption(0)});
    return;
  }
  try {
    scan_.FillDeviceList();
    ADD_FAILURE() << "no error raised";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.code(), ErrorCode::SubscriptOutOfRange);
  }
  EXPECT_TRUE(label_.captions.empty());
}

// Both lookups against Wine's registry, whatever the version.
TEST_F(Refresh, BothLookupsReadWinesRegistry) {
  const std::int32_t vid = 0x10C4;
  const std::int32_t pid = 0x823E;
  const std::string serial = CableSerial();
  const auto lookUp = [&](bool nt) {
    ByteArray bytes(64);
    for (std::size_t i = 0; i < serial.size(); ++i)
      bytes.at(static_cast<std::int32_t>(i)) = serial[i];
    std::int32_t length = static_cast<std::int32_t>(serial.size());
    return nt ? lookup_.GetPortNumXP2000Vista(vid, pid, bytes, length)
              : lookup_.GetPortNum98(vid, pid, bytes, length);
  };
  EXPECT_EQ(lookUp(true), kSeededCable.ntPort);
  EXPECT_EQ(lookUp(false), kSeededCable.win95Port);
  EXPECT_EQ(lookUp(true), kSeededCable.ntPort)
      << "a second lookup after closing HKEY_LOCAL_MACHINE";
}

// No usbdongle.dll next to the exe: the first refresh fails at the count.
TEST(RefreshWithoutLibrary, FailsAtTheCountBeforeTheCaptionIsSet) {
  modMain state;
  state.DeviceHandle = 1;
  Win32Cp210x bridge;
  Win32OsVersion os;
  Win32Registry registry;
  RegistryPortLookup lookup(registry);
  RecordingLabel label;
  CableScan scan(state, bridge, os, lookup, label);
  try {
    scan.FillDeviceList();
    ADD_FAILURE() << "no error raised";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.code(), ErrorCode::FileNotFound);
    EXPECT_EQ(error.description(), "File not found: usbdongle.dll");
  }
  EXPECT_TRUE(label.captions.empty());
  EXPECT_EQ(state.DeviceHandle, 1u);
}

}  // namespace
}  // namespace tervane
