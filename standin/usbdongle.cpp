// The stand-in usbdongle.dll: simulated CP210x bridges for tests and the demo, not the real one.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "scenario.h"

namespace tervane {
namespace standin {
namespace {

// Statuses of the stand-in's own; a scenario can make any call fail with
// any other status.
constexpr std::int32_t kStatusUnknownHandle = 1;
constexpr std::int32_t kStatusNoSuchDevice = 2;
constexpr std::int32_t kStatusNullArgument = 3;
constexpr std::int32_t kStatusBadScenario = 0xE0;

constexpr std::uint32_t kFirstHandle = 0x100;

// The library is called from one thread at a time, as the program does.
struct State {
  Scenario scenario;
  std::map<std::uint32_t, Bridge> openBridges;  // by handle, as they were when opened
  std::uint32_t nextHandle = kFirstHandle;
};

State& Current() {
  static State state;
  return state;
}

std::string Environment(const char* name) {
  char value[1024];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// Under Wine a test can name its files by their Unix paths; Wine's own
// kernel32 export turns them into DOS names. Elsewhere names are used as given.
std::string FileName(const std::string& name) {
  using ToDosFn = WCHAR*(CDECL*)(const char*);
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  auto toDos = reinterpret_cast<ToDosFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "wine_get_dos_file_name")));
  if (name.empty() || name[0] != '/' || toDos == nullptr) return name;
  WCHAR* dos = toDos(name.c_str());
  if (dos == nullptr) return name;
  char ansi[1024];
  const int length = WideCharToMultiByte(CP_ACP, 0, dos, -1, ansi, sizeof ansi, nullptr, nullptr);
  HeapFree(GetProcessHeap(), 0, dos);
  return length > 0 ? std::string(ansi) : name;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

void Log(const std::string& line) {
  const std::string name = Environment("TERVANE_STANDIN_LOG");
  if (name.empty()) return;
  // Opened for each line, so the log is complete whenever a test reads it.
  if (FILE* log = std::fopen(FileName(name).c_str(), "ab")) {
    std::fputs((line + "\n").c_str(), log);
    std::fclose(log);
  }
}

// Missing variable or missing file: no bridges attached.
std::string ReadScenarioText() {
  const std::string name = Environment("TERVANE_STANDIN_SCENARIO");
  std::string text;
  if (name.empty()) return text;
  if (FILE* file = std::fopen(FileName(name).c_str(), "rb")) {
    char chunk[512];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    std::fclose(file);
  }
  return text;
}

// Re-read at every count, so a test can attach and detach bridges between
// refreshes. A malformed file attaches nothing and makes the count fail.
bool ReloadScenario() {
  try {
    Current().scenario = ParseScenario(ReadScenarioText());
    return true;
  } catch (const ScenarioError& error) {
    Current().scenario = Scenario();
    Log(std::string("scenario error: ") + error.what());
    return false;
  }
}

const Bridge* OpenBridge(std::uint32_t handle) {
  const auto found = Current().openBridges.find(handle);
  return found == Current().openBridges.end() ? nullptr : &found->second;
}

std::int32_t Report(const std::string& call, std::int32_t status, const std::string& outputs = "") {
  Log(call + " -> status=" + std::to_string(status) + (outputs.empty() ? "" : " " + outputs));
  return status;
}

// The status a call on an open bridge fails with, 0 when it may go ahead.
std::int32_t Refusal(const Bridge* bridge, BridgeCall call) {
  if (bridge == nullptr) return kStatusUnknownHandle;
  return bridge->FailureOf(call).value_or(0);
}

std::int32_t GetId(const char* name, BridgeCall call, std::uint32_t handle, std::int32_t* id,
                   const char* field) {
  const std::string what = std::string(name) + " handle=" + Hex(handle);
  const Bridge* bridge = OpenBridge(handle);
  if (const std::int32_t status = Refusal(bridge, call)) return Report(what, status);
  if (id == nullptr) return Report(what, kStatusNullArgument);
  *id = call == BridgeCall::GetDeviceVid ? bridge->vid : bridge->pid;
  return Report(what, 0, std::string(field) + "=" + Hex(static_cast<std::uint32_t>(*id)));
}

void WriteSerial(const Bridge& bridge, std::uint8_t* buffer) {
  for (std::int32_t i = 0; i < bridge.BytesWritten(); ++i) {
    buffer[i] = i < bridge.SerialSize() ? static_cast<std::uint8_t>(bridge.serial[i]) : kSerialFill;
  }
}

}  // namespace
}  // namespace standin
}  // namespace tervane

using namespace tervane::standin;

// The exports: __stdcall, a 32-bit status each, named without decoration by
// the .def file.
extern "C" {

std::int32_t __stdcall CP210x_GetNumDevices(std::int32_t* numDevices) {
  const char* what = "CP210x_GetNumDevices";
  if (!ReloadScenario()) {
    if (numDevices != nullptr) *numDevices = 0;
    return Report(what, kStatusBadScenario, "count=0");
  }
  if (numDevices == nullptr) return Report(what, kStatusNullArgument);
  const Scenario& scenario = Current().scenario;
  // A failing count writes only a count the scenario names, to simulate a
  // library that writes through its reference on failure.
  if (scenario.countStatus != 0 && !scenario.count) return Report(what, scenario.countStatus);
  *numDevices = scenario.count.value_or(static_cast<std::int32_t>(scenario.bridges.size()));
  return Report(what, scenario.countStatus, "count=" + std::to_string(*numDevices));
}

std::int32_t __stdcall CP210x_Open(std::int32_t deviceNum, std::uint32_t* handle) {
  const std::string what = "CP210x_Open index=" + std::to_string(deviceNum);
  const auto& bridges = Current().scenario.bridges;
  if (deviceNum < 0 || static_cast<std::size_t>(deviceNum) >= bridges.size()) {
    return Report(what, kStatusNoSuchDevice);
  }
  const Bridge& bridge = bridges[static_cast<std::size_t>(deviceNum)];
  if (const std::int32_t status = Refusal(&bridge, BridgeCall::Open)) return Report(what, status);
  if (handle == nullptr) return Report(what, kStatusNullArgument);
  *handle = Current().nextHandle++;
  Current().openBridges[*handle] = bridge;
  return Report(what, 0, "handle=" + Hex(*handle));
}

// A failing close leaves the bridge open.
std::int32_t __stdcall CP210x_Close(std::uint32_t handle) {
  const std::string what = "CP210x_Close handle=" + Hex(handle);
  if (const std::int32_t status = Refusal(OpenBridge(handle), BridgeCall::Close)) {
    return Report(what, status);
  }
  Current().openBridges.erase(handle);
  return Report(what, 0);
}

std::int32_t __stdcall CP210x_GetDeviceVid(std::uint32_t handle, std::int32_t* vid) {
  return GetId("CP210x_GetDeviceVid", BridgeCall::GetDeviceVid, handle, vid, "vid");
}

std::int32_t __stdcall CP210x_GetDevicePid(std::uint32_t handle, std::int32_t* pid) {
  return GetId("CP210x_GetDevicePid", BridgeCall::GetDevicePid, handle, pid, "pid");
}

std::int32_t __stdcall CP210x_GetDeviceSerialNumber(std::uint32_t handle, std::uint8_t* buffer,
                                                    std::int32_t* length, std::int32_t* flag) {
  std::string what = "CP210x_GetDeviceSerialNumber handle=" + Hex(handle);
  if (flag != nullptr) what += " flag=" + std::to_string(*flag);
  const Bridge* bridge = OpenBridge(handle);
  if (const std::int32_t status = Refusal(bridge, BridgeCall::GetDeviceSerialNumber)) {
    return Report(what, status);
  }
  if (buffer == nullptr || length == nullptr || flag == nullptr) {
    return Report(what, kStatusNullArgument);
  }
  WriteSerial(*bridge, buffer);
  *length = bridge->ReportedLength();
  return Report(what, 0,
                "length=" + std::to_string(*length) +
                    " written=" + std::to_string(bridge->BytesWritten()) +
                    " serial=" + EscapeBytes(bridge->serial));
}

}  // extern "C"
