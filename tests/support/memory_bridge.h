// In-memory CP210x bridge library: simulated bridges, injected failures, handles in constant time.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/modCP210x.h"
#include "platform/runtime_error.h"
#include "support/call_log.h"

namespace tervane {

// The one model of the bridge library: the native tests drive it directly,
// and the stand-in usbdongle.dll exports it to programs under Wine. How it
// works inside (its own choices, nothing a caller may rely on):
// - Bridges are numbered from 0 in the order they were added. The count it
//   reports is the number of bridges unless SetCount() chose another value.
// - Each successful open hands out a new handle: 0x1000, 0x1004, 0x1008, ...
//   so 0 and 1 are never handles and no handle is handed out twice.
// - A bridge is exclusive, as a serial device is: opening one that is already
//   open fails with kStatusBusy. An index with no bridge fails with
//   kStatusNoSuchDevice. A call with a handle that is not open (never handed
//   out, released, or its bridge taken away) fails with kStatusInvalidHandle.
// - A failing call writes nothing through its references, unless the failure
//   was injected with garbage, and a failing close leaves the bridge open.
// - The serial number call stores the bridge's bytes (see Bridge), at most as
//   many as the array holds, and reports the bridge's length.
class MemoryCp210x final : public modCP210x {
 public:
  static constexpr std::int32_t kStatusInvalidHandle = 1;
  static constexpr std::int32_t kStatusNoSuchDevice = 2;
  static constexpr std::int32_t kStatusInvalidParameter = 3;
  static constexpr std::int32_t kStatusBusy = 4;
  static constexpr std::uint32_t kFirstHandle = 0x1000;
  static constexpr std::uint32_t kHandleStep = 4;
  // What a failure injected with garbage writes: this value into every integer
  // reference (the flag word included; a failing count writes the count chosen
  // with SetCount() instead, when there is one) and kGarbageByte into every
  // byte of the serial array.
  static constexpr std::int32_t kGarbage = 0x5A5A5A5A;
  static constexpr std::uint8_t kGarbageByte = 0xA5;
  // Stored after a bridge's serial when it stores more bytes than the serial has.
  static constexpr std::uint8_t kSerialFill = 'Z';

  enum class Function {
    GetNumDevices,
    Open,
    Close,
    GetDeviceVid,
    GetDevicePid,
    GetDeviceSerialNumber
  };

  struct Bridge {
    std::int32_t vid = 0;
    std::int32_t pid = 0;
    std::vector<std::uint8_t> serial;
    // The length the serial number call reports; unset: serial.size().
    std::optional<std::int32_t> reportedLength;
    // The number of bytes it stores: the serial cut short, or followed by
    // kSerialFill bytes; unset: serial.size().
    std::optional<std::int32_t> storedLength;

    std::int32_t ReportedLength() const {
      return reportedLength.value_or(static_cast<std::int32_t>(serial.size()));
    }
    std::int32_t StoredLength() const {
      return storedLength.value_or(static_cast<std::int32_t>(serial.size()));
    }
  };

  // One call as received. index is the device index (open) or the index of
  // the bridge behind the handle, -1 for the count and for a handle not open.
  struct Call {
    Function function;
    std::int32_t index = -1;
    std::uint32_t handle = 0;  // passed in, or handed out by a successful open
    std::int32_t status = 0;
    std::int32_t flag = 0;    // the flag word as the serial number call received it
    std::int32_t stored = 0;  // serial bytes stored by a successful serial number call
    bool raised = false;      // the call raised an error instead of running
  };

  // Each handle handed out, in order, with the closes made on it.
  struct Opening {
    std::uint32_t handle;
    std::int32_t index;
    int closeCalls = 0;
    bool open = true;  // still open in the library
  };

  explicit MemoryCp210x(CallLog* log = nullptr) : log_(log) {}

  // Seeding. AddBridge returns the new bridge's index.
  std::int32_t AddBridge(std::int32_t vid, std::int32_t pid, const std::string& serial = "");
  std::int32_t AddBridge(Bridge bridge);
  Bridge& bridge(std::int32_t index) { return bridges_.at(static_cast<std::size_t>(index)); }
  // Takes every bridge away, as if unplugged: handles still open die. The
  // count chosen with SetCount() and the injected faults go too.
  void RemoveAllBridges();
  // The count reported from now on, whatever the number of bridges.
  void SetCount(std::int32_t count) { count_ = count; }
  // The call fails with status on this index (ignored for the count); with
  // garbage it also writes the garbage values through its references.
  void Fail(Function function, std::int32_t index, std::int32_t status, bool garbage = false);
  // The call raises this error on this index (ignored for the count) before
  // doing anything, as a function that cannot be bound does.
  void Raise(Function function, std::int32_t index, RuntimeError error);
  void ClearFaults() { faults_.clear(); }

  // modCP210x.
  std::int32_t CP210x_GetNumDevices(std::int32_t& NumDevices) override;
  std::int32_t CP210x_Open(std::int32_t DeviceNum, std::uint32_t& Handle) override;
  std::int32_t CP210x_Close(std::uint32_t Handle) override;
  std::int32_t CP210x_GetDeviceVid(std::uint32_t Handle, std::int32_t& Vid) override;
  std::int32_t CP210x_GetDevicePid(std::uint32_t Handle, std::int32_t& Pid) override;
  std::int32_t CP210x_GetDeviceSerialNumber(std::uint32_t Handle, ByteArray& SerialString,
                                            std::int32_t& SerialLength,
                                            std::int32_t& Flag) override;

  // Tracking. Every call is also added by its name to the shared CallLog, if
  // one was given.
  const std::vector<Call>& calls() const { return calls_; }
  std::vector<Function> Functions() const;
  const std::vector<Opening>& openings() const { return openings_; }
  std::vector<std::uint32_t> OpenHandles() const;
  // True when every handle handed out got exactly one close and no close was
  // made on a handle that was not open.
  bool EachOpenedClosedOnce() const;
  // Closes of a handle that was not open: never handed out, or released.
  int invalidCloses() const { return invalidCloses_; }
  // Vendor ID, product ID and serial number calls with a handle that was not open.
  int invalidHandleUses() const { return invalidHandleUses_; }
  // Forgets the calls; the handles and their closes are kept.
  void ClearCalls() { calls_.clear(); }

  static const char* NameOf(Function function);

 private:
  struct Fault {
    std::int32_t status = 0;
    bool garbage = false;
    std::optional<RuntimeError> error;
  };

  const Fault* FaultOf(Function function, std::int32_t index) const;
  // Records the call and throws when an error was chosen for it.
  void RaiseIfChosen(Call& call);
  // The opening behind a handle that is open, in constant time; nullptr otherwise.
  Opening* OpenOpening(std::uint32_t handle);
  // The bridge behind the handle of a vendor ID, product ID or serial number call.
  const Bridge* BridgeOf(std::uint32_t handle, Call& call);
  std::int32_t ReadId(Function function, std::uint32_t handle, std::int32_t& id);
  void StoreSerial(const Bridge& bridge, ByteArray& serial, Call& call) const;
  std::int32_t Finish(const Call& call);

  std::vector<Bridge> bridges_;
  std::optional<std::int32_t> count_;
  std::map<std::pair<Function, std::int32_t>, Fault> faults_;
  // Indexed by (handle - kFirstHandle) / kHandleStep.
  std::vector<Opening> openings_;
  std::unordered_set<std::int32_t> openIndices_;
  std::vector<Call> calls_;
  CallLog* log_;
  int invalidCloses_ = 0;
  int invalidHandleUses_ = 0;
};

}  // namespace tervane
