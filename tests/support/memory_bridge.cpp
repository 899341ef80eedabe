// The in-memory bridge library: bridges by index, handles that count up, every call recorded.
#include "support/memory_bridge.h"

#include <algorithm>

namespace tervane {

std::int32_t MemoryCp210x::AddBridge(std::int32_t vid, std::int32_t pid,
                                     const std::string& serial) {
  Bridge bridge;
  bridge.vid = vid;
  bridge.pid = pid;
  bridge.serial.assign(serial.begin(), serial.end());
  return AddBridge(std::move(bridge));
}

std::int32_t MemoryCp210x::AddBridge(Bridge bridge) {
  bridges_.push_back(std::move(bridge));
  return static_cast<std::int32_t>(bridges_.size() - 1);
}

void MemoryCp210x::RemoveAllBridges() {
  bridges_.clear();
  count_.reset();
  faults_.clear();
  for (Opening& opening : openings_) opening.open = false;
  openIndices_.clear();
}

// The count has no index: its faults are all kept under -1.
void MemoryCp210x::Fail(Function function, std::int32_t index, std::int32_t status, bool garbage) {
  if (function == Function::GetNumDevices) index = -1;
  Fault& fault = faults_[{function, index}];
  fault.status = status;
  fault.garbage = garbage;
}

void MemoryCp210x::Raise(Function function, std::int32_t index, RuntimeError error) {
  if (function == Function::GetNumDevices) index = -1;
  faults_[{function, index}].error = std::move(error);
}

const MemoryCp210x::Fault* MemoryCp210x::FaultOf(Function function, std::int32_t index) const {
  const auto found = faults_.find({function, index});
  return found != faults_.end() ? &found->second : nullptr;
}

void MemoryCp210x::RaiseIfChosen(Call& call) {
  const Fault* fault = FaultOf(call.function, call.index);
  if (fault == nullptr || !fault->error) return;
  call.raised = true;
  Finish(call);
  throw *fault->error;
}

std::int32_t MemoryCp210x::Finish(const Call& call) {
  calls_.push_back(call);
  if (log_ != nullptr) log_->Add(NameOf(call.function));
  return call.status;
}

MemoryCp210x::Opening* MemoryCp210x::OpenOpening(std::uint32_t handle) {
  if (handle < kFirstHandle || (handle - kFirstHandle) % kHandleStep != 0) return nullptr;
  const std::size_t slot = (handle - kFirstHandle) / kHandleStep;
  if (slot >= openings_.size() || !openings_[slot].open) return nullptr;
  return &openings_[slot];
}

const MemoryCp210x::Bridge* MemoryCp210x::BridgeOf(std::uint32_t handle, Call& call) {
  call.handle = handle;
  const Opening* opening = OpenOpening(handle);
  call.index = opening != nullptr ? opening->index : -1;
  return opening != nullptr ? &bridges_[static_cast<std::size_t>(opening->index)] : nullptr;
}

std::int32_t MemoryCp210x::CP210x_GetNumDevices(std::int32_t& NumDevices) {
  Call call{Function::GetNumDevices};
  RaiseIfChosen(call);
  if (const Fault* fault = FaultOf(call.function, -1); fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    if (fault->garbage) NumDevices = count_.value_or(kGarbage);
  } else {
    NumDevices = count_.value_or(static_cast<std::int32_t>(bridges_.size()));
  }
  return Finish(call);
}

std::int32_t MemoryCp210x::CP210x_Open(std::int32_t DeviceNum, std::uint32_t& Handle) {
  Call call{Function::Open, DeviceNum};
  RaiseIfChosen(call);
  if (const Fault* fault = FaultOf(call.function, DeviceNum);
      fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    if (fault->garbage) Handle = static_cast<std::uint32_t>(kGarbage);
    return Finish(call);
  }
  if (DeviceNum < 0 || static_cast<std::size_t>(DeviceNum) >= bridges_.size()) {
    call.status = kStatusNoSuchDevice;
    return Finish(call);
  }
  if (openIndices_.count(DeviceNum) != 0) {
    call.status = kStatusBusy;
    return Finish(call);
  }
  call.handle = kFirstHandle + kHandleStep * static_cast<std::uint32_t>(openings_.size());
  openings_.push_back(Opening{call.handle, DeviceNum});
  openIndices_.insert(DeviceNum);
  Handle = call.handle;
  return Finish(call);
}

std::int32_t MemoryCp210x::CP210x_Close(std::uint32_t Handle) {
  Call call{Function::Close};
  call.handle = Handle;
  Opening* opening = OpenOpening(Handle);
  call.index = opening != nullptr ? opening->index : -1;
  RaiseIfChosen(call);
  if (opening == nullptr) {
    ++invalidCloses_;
    call.status = kStatusInvalidHandle;
    return Finish(call);
  }
  ++opening->closeCalls;
  if (const Fault* fault = FaultOf(call.function, call.index);
      fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    return Finish(call);
  }
  opening->open = false;
  openIndices_.erase(opening->index);
  return Finish(call);
}

std::int32_t MemoryCp210x::ReadId(Function function, std::uint32_t handle, std::int32_t& id) {
  Call call{function};
  const Bridge* bridge = BridgeOf(handle, call);
  RaiseIfChosen(call);
  if (bridge == nullptr) {
    ++invalidHandleUses_;
    call.status = kStatusInvalidHandle;
    return Finish(call);
  }
  if (const Fault* fault = FaultOf(function, call.index); fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    if (fault->garbage) id = kGarbage;
  } else {
    id = function == Function::GetDeviceVid ? bridge->vid : bridge->pid;
  }
  return Finish(call);
}

std::int32_t MemoryCp210x::CP210x_GetDeviceVid(std::uint32_t Handle, std::int32_t& Vid) {
  return ReadId(Function::GetDeviceVid, Handle, Vid);
}

std::int32_t MemoryCp210x::CP210x_GetDevicePid(std::uint32_t Handle, std::int32_t& Pid) {
  return ReadId(Function::GetDevicePid, Handle, Pid);
}

void MemoryCp210x::StoreSerial(const Bridge& bridge, ByteArray& serial, Call& call) const {
  const std::int32_t stored = std::clamp(bridge.StoredLength(), 0, serial.size());
  const auto own = static_cast<std::int32_t>(bridge.serial.size());
  for (std::int32_t i = 0; i < stored; ++i) {
    serial.at(i) = i < own ? bridge.serial[static_cast<std::size_t>(i)] : kSerialFill;
  }
  call.stored = stored;
}

std::int32_t MemoryCp210x::CP210x_GetDeviceSerialNumber(std::uint32_t Handle,
                                                        ByteArray& SerialString,
                                                        std::int32_t& SerialLength,
                                                        std::int32_t& Flag) {
  Call call{Function::GetDeviceSerialNumber};
  const Bridge* bridge = BridgeOf(Handle, call);
  call.flag = Flag;
  RaiseIfChosen(call);
  if (bridge == nullptr) {
    ++invalidHandleUses_;
    call.status = kStatusInvalidHandle;
    return Finish(call);
  }
  if (const Fault* fault = FaultOf(call.function, call.index);
      fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    if (fault->garbage) {
      std::fill_n(SerialString.data(), SerialString.size(), kGarbageByte);
      SerialLength = kGarbage;
      Flag = kGarbage;
    }
    return Finish(call);
  }
  StoreSerial(*bridge, SerialString, call);
  SerialLength = bridge->ReportedLength();
  return Finish(call);
}

std::vector<MemoryCp210x::Function> MemoryCp210x::Functions() const {
  std::vector<Function> functions;
  for (const auto& call : calls_) functions.push_back(call.function);
  return functions;
}

std::vector<std::uint32_t> MemoryCp210x::OpenHandles() const {
  std::vector<std::uint32_t> handles;
  for (const auto& opening : openings_) {
    if (opening.open) handles.push_back(opening.handle);
  }
  return handles;
}

bool MemoryCp210x::EachOpenedClosedOnce() const {
  return invalidCloses_ == 0 && std::all_of(openings_.begin(), openings_.end(),
                                            [](const Opening& o) { return o.closeCalls == 1; });
}

const char* MemoryCp210x::NameOf(Function function) {
  switch (function) {
    case Function::GetNumDevices:
      return "CP210x_GetNumDevices";
    case Function::Open:
      return "CP210x_Open";
    case Function::Close:
      return "CP210x_Close";
    case Function::GetDeviceVid:
      return "CP210x_GetDeviceVid";
    case Function::GetDevicePid:
      return "CP210x_GetDevicePid";
    case Function::GetDeviceSerialNumber:
      return "CP210x_GetDeviceSerialNumber";
  }
  return "?";
}

}  // namespace tervane
