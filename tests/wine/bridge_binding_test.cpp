// The lazily bound usbdongle.dll under Wine: when it is loaded, from where, and what reaches it.
// The runner lays the exe and copies of the stand-in out per suite (see CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "folders.h"
#include "platform/runtime_error.h"
#include "platform/win32/library_loader.h"
#include "platform/win32/win32_seams.h"
#include "standin_session.h"
#include "support/byte_text.h"
#include "support/memory_bridge.h"

namespace tervane {
namespace {

using test::ExeFolder;
using test::FolderOf;
using test::SameFolder;
using test::StandinSession;
using test::SystemFolder;
using test::WindowsFolder;

constexpr const char* kLibrary = "usbdongle.dll";

bool LibraryLoaded() { return GetModuleHandleA(kLibrary) != nullptr; }

// Each way the loader has, forced by pretending to be a Windows that lacks
// some of its features.
struct LoaderWay {
  const char* name;
  LoaderFeatures features;
};

const LoaderWay kLoaderWays[] = {
    {"SearchFlags", {true, true, true}},         // Windows 8 and later, 7 with KB2533623
    {"FullPathInUnicode", {false, true, true}},  // XP, Vista and 7 without the update
    {"FullPathInAnsi", {false, false, false}},   // the Windows 95 family
};

bool AllHeapsIntact() {
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < count && i < 64; ++i) {
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  }
  return true;
}

// One call of each of the six functions, for the tables below.
struct NamedCall {
  const char* name;
  std::function<void(Win32Cp210x&)> call;
};

// The calls that take a handle are handed one that is not open.
std::vector<NamedCall> AllSixCalls() {
  constexpr std::uint32_t kNotOpen = MemoryCp210x::kFirstHandle;
  return {
      {"CP210x_GetNumDevices",
       [](Win32Cp210x& b) {
         std::int32_t n = 0;
         b.CP210x_GetNumDevices(n);
       }},
      {"CP210x_Open",
       [](Win32Cp210x& b) {
         std::uint32_t h = 0;
         b.CP210x_Open(0, h);
       }},
      {"CP210x_Close", [](Win32Cp210x& b) { b.CP210x_Close(kNotOpen); }},
      {"CP210x_GetDeviceVid",
       [](Win32Cp210x& b) {
         std::int32_t v = 0;
         b.CP210x_GetDeviceVid(kNotOpen, v);
       }},
      {"CP210x_GetDevicePid",
       [](Win32Cp210x& b) {
         std::int32_t p = 0;
         b.CP210x_GetDevicePid(kNotOpen, p);
       }},
      {"CP210x_GetDeviceSerialNumber",
       [](Win32Cp210x& b) {
         ByteArray serial(64);
         std::int32_t length = 0;
         std::int32_t flag = -1;
         b.CP210x_GetDeviceSerialNumber(kNotOpen, serial, length, flag);
       }},
  };
}

// ---- usbdongle.dll next to the exe; the variant without the serial export
// ---- planted in the current directory.

class BindingNextToExe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(LibraryLoaded()) << "a test before this one leaked the library";
  }

  // Opens the bridge at the index, expecting success.
  std::uint32_t Open(Win32Cp210x& bridge, std::int32_t index) {
    std::int32_t count = 0;
    EXPECT_EQ(bridge.CP210x_GetNumDevices(count), 0);
    std::uint32_t handle = 0;
    EXPECT_EQ(bridge.CP210x_Open(index, handle), 0);
    return handle;
  }

  StandinSession standin_;
};

TEST_F(BindingNextToExe, LoadsTheLibraryAtTheFirstCallFromTheExeFolder) {
  Win32Cp210x bridge;
  EXPECT_FALSE(LibraryLoaded()) << "constructing the binding must not load the library";
  std::int32_t count = -7;
  EXPECT_EQ(bridge.CP210x_GetNumDevices(count), 0);
  EXPECT_EQ(count, 0);
  ASSERT_TRUE(LibraryLoaded());
  EXPECT_TRUE(SameFolder(FolderOf(GetModuleHandleA(kLibrary)), ExeFolder()))
      << FolderOf(GetModuleHandleA(kLibrary));
}

TEST_F(BindingNextToExe, FirstCallOfAnyFunctionLoadsTheLibrary) {
  for (const NamedCall& call : AllSixCalls()) {
    SCOPED_TRACE(call.name);
    {
      Win32Cp210x bridge;
      EXPECT_FALSE(LibraryLoaded());
      call.call(bridge);
      EXPECT_TRUE(LibraryLoaded());
    }
    EXPECT_FALSE(LibraryLoaded());
  }
}

// The library holds one reference however many calls were made: releasing
// the binding unloads it. A binding that loaded it at each call would leave
// it loaded.
TEST_F(BindingNextToExe, LoadsTheLibraryOnceForAllCalls) {
  standin_.Attach("bridge vid=0x10c4 pid=0x823e serial=S1\n");
  {
    Win32Cp210x bridge;
    for (int round = 0; round < 3; ++round) {
      for (const NamedCall& call : AllSixCalls()) call.call(bridge);
    }
    EXPECT_TRUE(LibraryLoaded());
  }
  EXPECT_FALSE(LibraryLoaded());
}

TEST_F(BindingNextToExe, PassesArgumentsAndReturnsTheLibraryResults) {
  standin_.Attach(
      "bridge vid=0x1234 pid=0x5678 serial=FIRST\n"
      "bridge vid=0x10c4 pid=0x823e serial=VYX\\s0042\n");
  Win32Cp210x bridge;
  std::int32_t count = 0;
  EXPECT_EQ(bridge.CP210x_GetNumDevices(count), 0);
  EXPECT_EQ(count, 2);
  std::uint32_t handle = 0;
  EXPECT_EQ(bridge.CP210x_Open(1, handle), 0);
  // The library was loaded afresh for this test, so this is its first handle.
  EXPECT_EQ(handle, MemoryCp210x::kFirstHandle);
  std::int32_t vid = 0;
  std::int32_t pid = 0;
  EXPECT_EQ(bridge.CP210x_GetDeviceVid(handle, vid), 0);
  EXPECT_EQ(bridge.CP210x_GetDevicePid(handle, pid), 0);
  EXPECT_EQ(vid, 0x10c4);
  EXPECT_EQ(pid, 0x823e);
  ByteArray serial(64);
  std::int32_t length = 0;
  std::int32_t flag = -1;
  EXPECT_EQ(bridge.CP210x_GetDeviceSerialNumber(handle, serial, length, flag), 0);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(serial.data()), 8), "VYX 0042");
  EXPECT_EQ(serial.at(8), 0);
  EXPECT_EQ(bridge.CP210x_Close(handle), 0);

  const std::string opened = "handle=" + test::HexText(handle);
  const std::vector<std::string> expected = {
      "CP210x_GetNumDevices -> status=0 count=2",
      "CP210x_Open index=1 -> status=0 " + opened,
      "CP210x_GetDeviceVid " + opened + " -> status=0 vid=0x10c4",
      "CP210x_GetDevicePid " + opened + " -> status=0 pid=0x823e",
      "CP210x_GetDeviceSerialNumber " + opened +
          " flag=-1 -> status=0 length=8 written=8 serial=VYX\\s0042",
      "CP210x_Close " + opened + " -> status=0",
  };
  EXPECT_EQ(standin_.LogLines(), expected);
}

TEST_F(BindingNextToExe, HandsTheFlagWordOverByReference) {
  standin_.Attach("bridge vid=1 pid=2 serial=X\n");
  Win32Cp210x bridge;
  const std::uint32_t handle = Open(bridge, 0);
  ByteArray serial(64);
  std::int32_t length = 0;
  std::int32_t flag = 0x2468;
  standin_.ClearLog();
  bridge.CP210x_GetDeviceSerialNumber(handle, serial, length, flag);
  ASSERT_EQ(standin_.LogLines().size(), 1u);
  EXPECT_NE(standin_.LogLines()[0].find(" flag=9320 "), std::string::npos)
      << standin_.LogLines()[0];
}

// Every status, all 32 bits of it, comes back as the library returned it,
// and a failing call's outputs keep what they held.
TEST_F(BindingNextToExe, ReturnsFailureStatusesUnchanged) {
  struct Case {
    const char* failure;
    std::int32_t status;
  };
  const Case cases[] = {
      {"Open:7", 7},
      {"GetDeviceVid:0x12345678", 0x12345678},
      {"GetDevicePid:-5", -5},
      {"GetDeviceSerialNumber:0xFFFF0001", static_cast<std::int32_t>(0xFFFF0001u)},
      {"Close:4", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    standin_.Attach(std::string("bridge vid=0x10c4 pid=0x823e serial=AB fail=") + c.failure + "\n");
    Win32Cp210x bridge;
    std::int32_t count = 0;
    bridge.CP210x_GetNumDevices(count);
    std::uint32_t handle = 0xAAAA;
    const std::int32_t open = bridge.CP210x_Open(0, handle);
    if (open != 0) {
      EXPECT_EQ(open, c.status);
      EXPECT_EQ(handle, 0xAAAAu);
      continue;
    }
    std::int32_t vid = 0x1111;
    std::int32_t pid = 0x2222;
    ByteArray serial(64);
    serial.at(0) = 'Q';
    std::int32_t length = 33;
    std::int32_t flag = -1;
    const std::int32_t results[] = {
        bridge.CP210x_GetDeviceVid(handle, vid), bridge.CP210x_GetDevicePid(handle, pid),
        bridge.CP210x_GetDeviceSerialNumber(handle, serial, length, flag),
        bridge.CP210x_Close(handle)};
    int failures = 0;
    for (const std::int32_t result : results) {
      if (result != 0) {
        EXPECT_EQ(result, c.status);
        ++failures;
      }
    }
    EXPECT_EQ(failures, 1);
    if (results[0] != 0) {
      EXPECT_EQ(vid, 0x1111);
    }
    if (results[1] != 0) {
      EXPECT_EQ(pid, 0x2222);
    }
    if (results[2] != 0) {
      EXPECT_EQ(length, 33);
      EXPECT_EQ(serial.at(0), 'Q');
    }
  }
}

// A library that writes more than the caller's array holds spoils only the
// binding's scratch space; the reported length is passed on as it came.
TEST_F(BindingNextToExe, CutsAnOverlongSerialToTheCallersArray) {
  const std::string serial70(70, 'S');
  struct Case {
    std::int32_t arraySize;
    std::string fields;
    std::int32_t reported;
  };
  const Case cases[] = {{64, "serial=" + serial70, 70},
                        {64, "serial=" + serial70 + " write=256 length=256", 256},
                        {8, "serial=ABCDEFGHIJKL length=-3", -3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    standin_.Attach("bridge vid=0x10c4 pid=0x823e " + c.fields + "\n");
    Win32Cp210x bridge;
    const std::uint32_t handle = Open(bridge, 0);
    ByteArray serial(c.arraySize);
    std::int32_t length = 0;
    std::int32_t flag = -1;
    EXPECT_EQ(bridge.CP210x_GetDeviceSerialNumber(handle, serial, length, flag), 0);
    EXPECT_EQ(length, c.reported);
    EXPECT_EQ(serial.size(), c.arraySize);
    const char first = c.arraySize == 8 ? 'A' : 'S';
    EXPECT_EQ(serial.at(0), first);
    EXPECT_EQ(serial.at(c.arraySize - 1), c.arraySize == 8 ? 'H' : 'S');
    EXPECT_TRUE(AllHeapsIntact());
    bridge.CP210x_Close(handle);
  }
}

// Bytes past what the library writes keep their values, as they would if it
// wrote straight into the caller's array.
TEST_F(BindingNextToExe, KeepsTheBytesTheLibraryLeavesAlone) {
  standin_.Attach("bridge vid=0x10c4 pid=0x823e serial=AB\n");
  Win32Cp210x bridge;
  const std::uint32_t handle = Open(bridge, 0);
  ByteArray serial(64);
  for (std::int32_t i = 0; i < 64; ++i) serial.at(i) = 'Q';
  std::int32_t length = 0;
  std::int32_t flag = -1;
  ASSERT_EQ(bridge.CP210x_GetDeviceSerialNumber(handle, serial, length, flag), 0);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(serial.at(0), 'A');
  EXPECT_EQ(serial.at(1), 'B');
  for (std::int32_t i = 2; i < 64; ++i) EXPECT_EQ(serial.at(i), 'Q') << "index " << i;
  bridge.CP210x_Close(handle);
}

class LoaderNextToExe : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& file : copies_) DeleteFileA(file.c_str());
  }

  // Copies the stand-in next to the exe into the folder under a unique name.
  std::string CopyInto(const std::string& folder) {
    std::string name = "tervane-probe-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(copies_.size()) + ".dll";
    const std::string source = ExeFolder() + kLibrary;
    EXPECT_TRUE(CopyFileA(source.c_str(), (folder + name).c_str(), FALSE)) << folder + name;
    copies_.push_back(folder + name);
    return name;
  }

  std::vector<std::string> copies_;
};

// The copy in the current directory lacks the serial export; the one next to
// the exe has it.
TEST_F(LoaderNextToExe, EveryWayTakesTheCopyNextToTheExe) {
  for (const LoaderWay& way : kLoaderWays) {
    SCOPED_TRACE(way.name);
    HMODULE module = LoadLibraryNotFromCurrentDirectory(kLibrary, way.features);
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(SameFolder(FolderOf(module), ExeFolder()));
    EXPECT_NE(GetProcAddress(module, "CP210x_GetDeviceSerialNumber"), nullptr);
    FreeLibrary(module);
  }
}

// The search flags reach System32 themselves; the Windows folder only by full path.
TEST_F(LoaderNextToExe, FallsBackToTheSystemAndWindowsFolders) {
  const std::string inSystem = CopyInto(SystemFolder());
  const std::string inWindows = CopyInto(WindowsFolder());
  for (const LoaderWay& way : kLoaderWays) {
    for (const std::string& name : {inSystem, inWindows}) {
      SCOPED_TRACE(std::string(way.name) + " " + name);
      HMODULE module = LoadLibraryNotFromCurrentDirectory(name.c_str(), way.features);
      ASSERT_NE(module, nullptr);
      FreeLibrary(module);
    }
  }
}

TEST_F(LoaderNextToExe, FindsNothingWhereNoFolderHasTheLibrary) {
  for (const LoaderWay& way : kLoaderWays) {
    SCOPED_TRACE(way.name);
    EXPECT_EQ(LoadLibraryNotFromCurrentDirectory("tervane-no-such-library.dll", way.features),
              nullptr);
  }
}

// ---- The variant without CP210x_GetDeviceSerialNumber next to the exe.

TEST(BindingWithoutSerialExport, RaisesEntryPointNotFoundAtThatCallOnly) {
  StandinSession standin;
  standin.Attach("bridge vid=0x10c4 pid=0x823e serial=AB\n");
  Win32Cp210x bridge;
  std::int32_t count = 0;
  ASSERT_EQ(bridge.CP210x_GetNumDevices(count), 0);
  std::uint32_t handle = 0;
  ASSERT_EQ(bridge.CP210x_Open(0, handle), 0);
  std::int32_t vid = 0;
  std::int32_t pid = 0;
  EXPECT_EQ(bridge.CP210x_GetDeviceVid(handle, vid), 0);
  EXPECT_EQ(bridge.CP210x_GetDevicePid(handle, pid), 0);
  ByteArray serial(64);
  serial.at(0) = 'Q';
  std::int32_t length = 5;
  std::int32_t flag = -1;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      bridge.CP210x_GetDeviceSerialNumber(handle, serial, length, flag);
      ADD_FAILURE() << "no error raised";
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.code(), ErrorCode::EntryPointNotFound);
      EXPECT_EQ(error.description(),
                "Can't find DLL entry point CP210x_GetDeviceSerialNumber in usbdongle.dll");
    }
  }
  EXPECT_EQ(length, 5);
  EXPECT_EQ(serial.at(0), 'Q');
  EXPECT_EQ(bridge.CP210x_Close(handle), 0);
}

// ---- The exe in a folder whose name the ANSI code page cannot spell, with
// ---- usbdongle.dll beside it and the variant without the serial export in
// ---- the current directory.

// The library as the features load it: the copy next to the exe, with the
// serial export, not the one in the current directory.
void ExpectTheCopyNextToTheExe(const LoaderFeatures& features) {
  HMODULE module = LoadLibraryNotFromCurrentDirectory(kLibrary, features);
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(SameFolder(test::WideFolderOf(module), test::WideFolderOf(nullptr)));
  EXPECT_NE(GetProcAddress(module, "CP210x_GetDeviceSerialNumber"), nullptr)
      << "the copy in the current directory was loaded";
  FreeLibrary(module);
}

// The full-path search is the one of Windows 95 to 7 without KB2533623; the
// test forces it by pretending the loader lacks the search flags.
TEST(LoaderInAFolderOutsideTheCodePage, LoadsFromAFolderOutsideTheAnsiCodePage) {
  ASSERT_NE(ExeFolder().find('?'), std::string::npos)
      << "the layout's folder name fits ANSI code page " << GetACP() << ": " << ExeFolder();
  for (const bool searchFlags : {false, true}) {
    SCOPED_TRACE(searchFlags ? "search flags" : "full path");
    LoaderFeatures features = LoaderFeatures::OfThisSystem();
    features.searchFlags = searchFlags;
    ExpectTheCopyNextToTheExe(features);
  }
}

// ---- The layout's folder is a path past 1,024 characters, which only the
// ---- NT family's wide functions spell.

TEST(LoaderInALongFolder, LoadsFromAFolderWhoseNameIsLongerThanAFirstBuffer) {
  ASSERT_GT(test::WideFolderOf(nullptr).size(), 1024u) << "the layout's folder is short";
  LoaderFeatures features = LoaderFeatures::OfThisSystem();
  ASSERT_TRUE(features.wideFileNames);
  features.searchFlags = false;
  ExpectTheCopyNextToTheExe(features);
}

// ---- No usbdongle.dll next to the exe; the full stand-in planted in the
// ---- current directory.

TEST(BindingWithoutLibrary, EveryFunctionRaisesFileNotFoundAtItsCall) {
  for (const NamedCall& call : AllSixCalls()) {
    SCOPED_TRACE(call.name);
    Win32Cp210x bridge;
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        call.call(bridge);
        ADD_FAILURE() << "no error raised";
      } catch (const RuntimeError& error) {
        EXPECT_EQ(error.code(), ErrorCode::FileNotFound);
        EXPECT_EQ(error.description(), "File not found: usbdongle.dll");
      }
    }
    EXPECT_FALSE(LibraryLoaded()) << "the copy in the current directory was loaded";
  }
}

TEST(LoaderWithoutLibrary, IgnoresTheCopyInTheCurrentDirectory) {
  for (const LoaderWay& way : kLoaderWays) {
    SCOPED_TRACE(way.name);
    EXPECT_EQ(LoadLibraryNotFromCurrentDirectory(kLibrary, way.features), nullptr);
    EXPECT_FALSE(LibraryLoaded());
  }
}

// WinMain's set-up keeps every later load by name out of the current
// directory, also a plain LoadLibraryA's, such as one a library makes.
TEST(LoaderWithoutLibrary, AfterTheSetUpNoLoadTakesThePlantedCopy) {
  RemoveCurrentDirectoryFromLibrarySearch();
  HMODULE module = LoadLibraryA(kLibrary);
  EXPECT_EQ(module, nullptr) << FolderOf(module);
  EXPECT_FALSE(LibraryLoaded());
}

// Shows that the layout really plants a loadable copy in the current
// directory, where a bare LoadLibraryA with the default search finds it.
TEST(LoaderWithoutLibrary, PlainLoadLibraryWouldTakeThePlantedCopy) {
  HMODULE planted = LoadLibraryA(kLibrary);
  ASSERT_NE(planted, nullptr);
  char cwd[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  EXPECT_TRUE(SameFolder(FolderOf(planted), std::string(cwd) + "\\")) << FolderOf(planted);
  FreeLibrary(planted);
}

}  // namespace
}  // namespace tervane
