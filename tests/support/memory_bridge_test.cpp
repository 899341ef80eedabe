// The in-memory bridge library behaves as a real one: handles, refusals, stored bytes, faults.
#include "support/memory_bridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "support/call_log.h"

namespace tervane {
namespace {

using Fn = MemoryCp210x::Function;

TEST(MemoryBridge, HandlesAreNewNeverZeroOrOneAndExclusive) {
  MemoryCp210x bridge;
  bridge.AddBridge(1, 2);
  bridge.AddBridge(3, 4);
  std::uint32_t a = 0, b = 0, again = 77;
  EXPECT_EQ(bridge.CP210x_Open(0, a), 0);
  EXPECT_EQ(bridge.CP210x_Open(1, b), 0);
  EXPECT_EQ(bridge.CP210x_Open(0, again), MemoryCp210x::kStatusBusy);
  EXPECT_EQ(again, 77u);
  EXPECT_EQ(bridge.CP210x_Close(a), 0);
  EXPECT_EQ(bridge.CP210x_Open(0, again), 0);
  const std::vector<std::uint32_t> handles = {a, b, again};
  for (std::uint32_t h : handles) EXPECT_GT(h, 1u);
  EXPECT_NE(a, b);
  EXPECT_NE(a, again);
  EXPECT_NE(b, again);
  EXPECT_EQ(bridge.OpenHandles(), (std::vector<std::uint32_t>{b, again}));
}

TEST(MemoryBridge, IndexOutsideTheBridgesIsRefused) {
  MemoryCp210x bridge;
  bridge.AddBridge(1, 2);
  for (std::int32_t index : {1, -1, INT32_MIN, INT32_MAX}) {
    std::uint32_t handle = 5;
    EXPECT_EQ(bridge.CP210x_Open(index, handle), MemoryCp210x::kStatusNoSuchDevice) << index;
    EXPECT_EQ(handle, 5u);
  }
  EXPECT_TRUE(bridge.openings().empty());
}

TEST(MemoryBridge, DeadHandlesAreRefusedAndCounted) {
  MemoryCp210x bridge;
  bridge.AddBridge(0x10C4, 0x823E, "S");
  std::uint32_t handle = 0;
  bridge.CP210x_Open(0, handle);
  EXPECT_EQ(bridge.CP210x_Close(handle), 0);
  std::int32_t id = 9, length = 9, flag = -1;
  ByteArray serial(64);
  EXPECT_EQ(bridge.CP210x_GetDeviceVid(handle, id), MemoryCp210x::kStatusInvalidHandle);
  EXPECT_EQ(bridge.CP210x_GetDevicePid(1, id), MemoryCp210x::kStatusInvalidHandle);
  EXPECT_EQ(bridge.CP210x_GetDeviceSerialNumber(handle, serial, length, flag),
            MemoryCp210x::kStatusInvalidHandle);
  EXPECT_EQ(id, 9);
  EXPECT_EQ(bridge.invalidHandleUses(), 3);
  EXPECT_TRUE(bridge.EachOpenedClosedOnce());
  EXPECT_EQ(bridge.CP210x_Close(handle), MemoryCp210x::kStatusInvalidHandle);
  EXPECT_EQ(bridge.CP210x_Close(1), MemoryCp210x::kStatusInvalidHandle);
  EXPECT_EQ(bridge.invalidCloses(), 2);
  EXPECT_FALSE(bridge.EachOpenedClosedOnce());
}

TEST(MemoryBridge, FailedCloseLeavesTheBridgeOpen) {
  MemoryCp210x bridge;
  bridge.AddBridge(1, 2);
  bridge.Fail(Fn::Close, 0, 8);
  std::uint32_t handle = 0;
  bridge.CP210x_Open(0, handle);
  EXPECT_EQ(bridge.CP210x_Close(handle), 8);
  EXPECT_EQ(bridge.OpenHandles(), std::vector<std::uint32_t>{handle});
  EXPECT_TRUE(bridge.EachOpenedClosedOnce());
  bridge.ClearFaults();
  EXPECT_EQ(bridge.CP210x_Close(handle), 0);
  EXPECT_FALSE(bridge.EachOpenedClosedOnce());  // two closes of one handle
  EXPECT_EQ(bridge.invalidCloses(), 0);
}

// Each call, failing plain and with garbage: what it leaves in its references.
TEST(MemoryBridge, FailuresWriteOnlyWhenAskedForGarbage) {
  for (bool garbage : {false, true}) {
    MemoryCp210x bridge;
    bridge.AddBridge(0x10C4, 0x823E, "SER");
    for (Fn f :
         {Fn::GetNumDevices, Fn::GetDeviceVid, Fn::GetDevicePid, Fn::GetDeviceSerialNumber}) {
      bridge.Fail(f, 0, 0x20, garbage);
    }
    const std::int32_t kept = garbage ? MemoryCp210x::kGarbage : 11;
    std::int32_t count = 11, vid = 11, pid = 11, length = 11, flag = -1;
    std::uint32_t handle = 0;
    ByteArray serial(64);
    EXPECT_EQ(bridge.CP210x_GetNumDevices(count), 0x20);
    ASSERT_EQ(bridge.CP210x_Open(0, handle), 0);
    EXPECT_EQ(bridge.CP210x_GetDeviceVid(handle, vid), 0x20);
    EXPECT_EQ(bridge.CP210x_GetDevicePid(handle, pid), 0x20);
    EXPECT_EQ(bridge.CP210x_GetDeviceSerialNumber(handle, serial, length, flag), 0x20);
    EXPECT_EQ(count, kept);
    EXPECT_EQ(vid, kept);
    EXPECT_EQ(pid, kept);
    EXPECT_EQ(length, kept);
    EXPECT_EQ(flag, garbage ? MemoryCp210x::kGarbage : -1);
    EXPECT_EQ(serial.at(63), garbage ? MemoryCp210x::kGarbageByte : 0);
    std::uint32_t opened = 0;
    bridge.Fail(Fn::Open, 0, 0x21, garbage);
    bridge.CP210x_Close(handle);
    EXPECT_EQ(bridge.CP210x_Open(0, opened), 0x21);
    EXPECT_EQ(opened, garbage ? static_cast<std::uint32_t>(MemoryCp210x::kGarbage) : 0u);
  }
}

TEST(MemoryBridge, SerialStoresAtMostTheArraysRoom) {
  MemoryCp210x bridge;
  bridge.AddBridge(0x10C4, 0x823E, std::string(70, 'S'));
  const std::int32_t odd = bridge.AddBridge(0x10C4, 0x823E, "AB");
  bridge.bridge(odd).reportedLength = -4;
  std::uint32_t handle = 0;
  std::int32_t length = 0, flag = -1;
  ByteArray small(5);
  small.at(4) = 0x77;
  bridge.CP210x_Open(0, handle);
  EXPECT_EQ(bridge.CP210x_GetDeviceSerialNumber(handle, small, length, flag), 0);
  EXPECT_EQ(length, 70);
  for (std::int32_t i = 0; i < 5; ++i) EXPECT_EQ(small.at(i), 'S');
  ByteArray full(64);
  full.at(2) = 0x77;
  bridge.CP210x_Open(1, handle);
  EXPECT_EQ(bridge.CP210x_GetDeviceSerialNumber(handle, full, length, flag), 0);
  EXPECT_EQ(length, -4);
  EXPECT_EQ(full.at(0), 'A');
  EXPECT_EQ(full.at(1), 'B');
  EXPECT_EQ(full.at(2), 0x77);  // bytes past the serial are left alone
}

TEST(MemoryBridge, CountCanBeAnyValue) {
  MemoryCp210x bridge;
  bridge.AddBridge(1, 2);
  std::int32_t count = 0;
  EXPECT_EQ(bridge.CP210x_GetNumDevices(count), 0);
  EXPECT_EQ(count, 1);
  for (std::int32_t chosen : {0, -7, INT32_MIN, INT32_MAX}) {
    bridge.SetCount(chosen);
    bridge.CP210x_GetNumDevices(count);
    EXPECT_EQ(count, chosen);
  }
}

TEST(MemoryBridge, RaisedErrorsAreRecordedAndLogged) {
  CallLog log;
  MemoryCp210x bridge(&log);
  bridge.AddBridge(0x10C4, 0x823E, "A B");
  bridge.Raise(Fn::GetDevicePid, 0,
               RuntimeError::EntryPointNotFound("CP210x_GetDevicePid", "usbdongle.dll"));
  std::int32_t count = 0, id = 0;
  std::uint32_t handle = 0;
  bridge.CP210x_GetNumDevices(count);
  bridge.CP210x_Open(0, handle);
  bridge.CP210x_GetDeviceVid(handle, id);
  EXPECT_THROW(bridge.CP210x_GetDevicePid(handle, id), RuntimeError);
  EXPECT_TRUE(bridge.calls().back().raised);
  EXPECT_EQ(bridge.calls().back().index, 0);
  EXPECT_EQ(bridge.calls().back().handle, handle);
  EXPECT_EQ(log.Names(), (std::vector<std::string>{"CP210x_GetNumDevices", "CP210x_Open",
                                                   "CP210x_GetDeviceVid", "CP210x_GetDevicePid"}));
}

// Taking the bridges away is unplugging them: a handle opened before dies,
// even where a new bridge takes the old one's index, and that bridge opens anew.
TEST(MemoryBridge, RemovedBridgesTakeTheirHandlesAlong) {
  MemoryCp210x bridge;
  bridge.AddBridge(1, 2);
  bridge.Fail(Fn::GetDeviceVid, 0, 9);
  bridge.SetCount(5);
  std::uint32_t before = 0;
  ASSERT_EQ(bridge.CP210x_Open(0, before), 0);
  bridge.RemoveAllBridges();
  bridge.AddBridge(3, 4);
  std::int32_t vid = 0, count = 0;
  EXPECT_EQ(bridge.CP210x_GetDeviceVid(before, vid), MemoryCp210x::kStatusInvalidHandle);
  EXPECT_EQ(bridge.CP210x_GetNumDevices(count), 0);
  EXPECT_EQ(count, 1) << "the chosen count goes with the bridges";
  std::uint32_t after = 0;
  ASSERT_EQ(bridge.CP210x_Open(0, after), 0) << "the new bridge is not busy";
  EXPECT_EQ(bridge.CP210x_GetDeviceVid(after, vid), 0) << "the faults go too";
  EXPECT_EQ(vid, 3);
  EXPECT_EQ(bridge.OpenHandles(), std::vector<std::uint32_t>{after});
}

TEST(MemoryBridge, OnlyHandedOutValuesAreHandles) {
  MemoryCp210x bridge;
  bridge.AddBridge(1, 2);
  bridge.AddBridge(3, 4);
  std::uint32_t first = 0, second = 0;
  bridge.CP210x_Open(0, first);
  bridge.CP210x_Open(1, second);
  std::int32_t vid = 0;
  for (const std::uint32_t notHandle : {first + 1, second + 2, first - MemoryCp210x::kHandleStep,
                                        second + MemoryCp210x::kHandleStep, 0u, 1u}) {
    EXPECT_EQ(bridge.CP210x_GetDeviceVid(notHandle, vid), MemoryCp210x::kStatusInvalidHandle)
        << notHandle;
  }
  EXPECT_EQ(bridge.CP210x_GetDeviceVid(second, vid), 0);
  EXPECT_EQ(vid, 3);
}

// The bytes stored: the serial cut short, or followed by the fill byte, and
// never more than the array holds.
TEST(MemoryBridge, StoresTheChosenNumberOfSerialBytes) {
  struct Case {
    std::int32_t stored;
    std::int32_t room;
    std::string bytes;
  };
  const Case cases[] = {{3, 8, std::string("ABC\0\0\0\0\0", 8)},
                        {6, 8, std::string("ABCDZZ\0\0", 8)},
                        {9, 5, "ABCDZ"},
                        {0, 4, std::string(4, '\0')}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    MemoryCp210x bridge;
    bridge.AddBridge(0x10C4, 0x823E, "ABCD");
    bridge.bridge(0).storedLength = c.stored;
    std::uint32_t handle = 0;
    std::int32_t length = 0, flag = -1;
    ByteArray array(c.room);
    bridge.CP210x_Open(0, handle);
    ASSERT_EQ(bridge.CP210x_GetDeviceSerialNumber(handle, array, length, flag), 0);
    EXPECT_EQ(std::string(array.data(), array.data() + array.size()), c.bytes);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(bridge.calls().back().stored, std::min(c.stored, c.room));
  }
}

}  // namespace
}  // namespace tervane
