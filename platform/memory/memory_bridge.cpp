// The in-memory bridge library: bridges by index, handles that count up, every call recorded.
#include "platform/memory/memory_bridge.h"

#include <algorithm>
#include <cstdio>

namespace tervane {
namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

// Bytes outside the printable ASCII range, blanks and backslashes as \xHH,
// so a log entry stays one word per field.
std::string Escaped(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t b = bytes[i];
    if (b > 0x20 && b < 0x7F && b != '\\') {
      text += static_cast<char>(b);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(b));
      text += escape;
    }
  }
  return text;
}

std::string HandleText(std::uint32_t handle) { return "handle=" + Hex(handle); }

}  // namespace

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

void MemoryCp210x::RaiseIfChosen(Function function, std::int32_t index, Call& call,
                                 const std::string& inputs) {
  const Fault* fault = FaultOf(function, index);
  if (fault == nullptr || !fault->error) return;
  call.raised = true;
  calls_.push_back(call);
  if (log_ != nullptr) {
    log_->Add(std::string(NameOf(function)) + (inputs.empty() ? "" : " " + inputs) + " -> raises " +
              fault->error->description());
  }
  throw *fault->error;
}

std::int32_t MemoryCp210x::Finish(Call call, const std::string& inputs,
                                  const std::string& outputs) {
  calls_.push_back(call);
  if (log_ != nullptr) {
    log_->Add(std::string(NameOf(call.function)) + (inputs.empty() ? "" : " " + inputs) + " -> " +
              std::to_string(call.status) + (outputs.empty() ? "" : " " + outputs));
  }
  return call.status;
}

MemoryCp210x::Opening* MemoryCp210x::OpenOpening(std::uint32_t handle) {
  for (auto& opening : openings_) {
    if (opening.handle == handle && opening.open) return &opening;
  }
  return nullptr;
}

bool MemoryCp210x::IsOpen(std::int32_t index) const {
  return std::any_of(openings_.begin(), openings_.end(),
                     [index](const Opening& o) { return o.open && o.index == index; });
}

const MemoryCp210x::Bridge* MemoryCp210x::BridgeOf(std::uint32_t handle, Call& call) {
  call.handle = handle;
  const Opening* opening = OpenOpening(handle);
  call.index = opening != nullptr ? opening->index : -1;
  // A bridge removed while open answers as if unplugged: its handle is dead.
  if (opening == nullptr || static_cast<std::size_t>(opening->index) >= bridges_.size()) {
    return nullptr;
  }
  return &bridges_[static_cast<std::size_t>(opening->index)];
}

std::int32_t MemoryCp210x::CP210x_GetNumDevices(std::int32_t& NumDevices) {
  Call call{Function::GetNumDevices};
  RaiseIfChosen(call.function, -1, call, "");
  if (const Fault* fault = FaultOf(call.function, -1); fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    if (!fault->garbage) return Finish(call, "", "");
    NumDevices = kGarbage;
  } else {
    NumDevices = count_.value_or(static_cast<std::int32_t>(bridges_.size()));
  }
  return Finish(call, "", "count=" + std::to_string(NumDevices));
}

std::int32_t MemoryCp210x::CP210x_Open(std::int32_t DeviceNum, std::uint32_t& Handle) {
  Call call{Function::Open, DeviceNum};
  const std::string inputs = "index=" + std::to_string(DeviceNum);
  RaiseIfChosen(call.function, DeviceNum, call, inputs);
  if (const Fault* fault = FaultOf(call.function, DeviceNum);
      fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    if (!fault->garbage) return Finish(call, inputs, "");
    Handle = static_cast<std::uint32_t>(kGarbage);
    return Finish(call, inputs, HandleText(Handle));
  }
  if (DeviceNum < 0 || static_cast<std::size_t>(DeviceNum) >= bridges_.size()) {
    call.status = kStatusNoSuchDevice;
    return Finish(call, inputs, "");
  }
  if (IsOpen(DeviceNum)) {
    call.status = kStatusBusy;
    return Finish(call, inputs, "");
  }
  call.handle = nextHandle_;
  nextHandle_ += kHandleStep;
  openings_.push_back(Opening{call.handle, DeviceNum});
  Handle = call.handle;
  return Finish(call, inputs, HandleText(call.handle));
}

std::int32_t MemoryCp210x::CP210x_Close(std::uint32_t Handle) {
  Call call{Function::Close};
  call.handle = Handle;
  Opening* opening = OpenOpening(Handle);
  call.index = opening != nullptr ? opening->index : -1;
  const std::string inputs = HandleText(Handle);
  RaiseIfChosen(call.function, call.index, call, inputs);
  if (opening == nullptr) {
    ++invalidCloses_;
    call.status = kStatusInvalidHandle;
    return Finish(call, inputs, "");
  }
  ++opening->closeCalls;
  if (const Fault* fault = FaultOf(call.function, call.index);
      fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    return Finish(call, inputs, "");
  }
  opening->open = false;
  return Finish(call, inputs, "");
}

std::int32_t MemoryCp210x::ReadId(Function function, std::uint32_t handle, std::int32_t& id) {
  Call call{function};
  const Bridge* bridge = BridgeOf(handle, call);
  const std::string inputs = HandleText(handle);
  RaiseIfChosen(function, call.index, call, inputs);
  const char* name = function == Function::GetDeviceVid ? "vid=" : "pid=";
  if (bridge == nullptr) {
    ++invalidHandleUses_;
    call.status = kStatusInvalidHandle;
    return Finish(call, inputs, "");
  }
  if (const Fault* fault = FaultOf(function, call.index); fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    if (!fault->garbage) return Finish(call, inputs, "");
    id = kGarbage;
  } else {
    id = function == Function::GetDeviceVid ? bridge->vid : bridge->pid;
  }
  return Finish(call, inputs, name + Hex(static_cast<std::uint32_t>(id)));
}

std::int32_t MemoryCp210x::CP210x_GetDeviceVid(std::uint32_t Handle, std::int32_t& Vid) {
  return ReadId(Function::GetDeviceVid, Handle, Vid);
}

std::int32_t MemoryCp210x::CP210x_GetDevicePid(std::uint32_t Handle, std::int32_t& Pid) {
  return ReadId(Function::GetDevicePid, Handle, Pid);
}

std::int32_t MemoryCp210x::CP210x_GetDeviceSerialNumber(std::uint32_t Handle,
                                                        ByteArray& SerialString,
                                                        std::int32_t& SerialLength,
                                                        std::int32_t& Flag) {
  Call call{Function::GetDeviceSerialNumber};
  const Bridge* bridge = BridgeOf(Handle, call);
  call.flag = Flag;
  const std::string inputs = HandleText(Handle) + " flag=" + std::to_string(Flag);
  RaiseIfChosen(call.function, call.index, call, inputs);
  if (bridge == nullptr) {
    ++invalidHandleUses_;
    call.status = kStatusInvalidHandle;
    return Finish(call, inputs, "");
  }
  const auto room = static_cast<std::size_t>(SerialString.size());
  if (const Fault* fault = FaultOf(call.function, call.index);
      fault != nullptr && fault->status != 0) {
    call.status = fault->status;
    if (!fault->garbage) return Finish(call, inputs, "");
    std::fill_n(SerialString.data(), room, kGarbageByte);
    SerialLength = kGarbage;
    Flag = kGarbage;
    return Finish(call, inputs, "length=" + std::to_string(SerialLength) + " garbage");
  }
  const std::size_t stored = std::min(bridge->serial.size(), room);
  std::copy_n(bridge->serial.begin(), stored, SerialString.data());
  SerialLength = bridge->reportedLength.value_or(static_cast<std::int32_t>(bridge->serial.size()));
  return Finish(
      call, inputs,
      "length=" + std::to_string(SerialLength) + " serial=" + Escaped(SerialString.data(), stored));
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
