// The stand-in usbdongle.dll: the in-memory bridge model exported for tests and the demo, not the
// real library.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/byte_text.h"
#include "support/memory_bridge.h"
#include "support/scenario.h"

namespace tervane {
namespace standin {
namespace {

using test::EscapeBytes;
using test::HexText;

// The library is called from one thread at a time, as the program does.
MemoryCp210x& Model() {
  static MemoryCp210x model;
  return model;
}

// Whether the scenario names a count, which a failing count then writes.
bool& CountNamed() {
  static bool named = false;
  return named;
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
    const Scenario scenario = ParseScenario(ReadScenarioText());
    Seed(Model(), scenario);
    CountNamed() = scenario.count.has_value();
    return true;
  } catch (const ScenarioError& error) {
    Seed(Model(), Scenario());
    CountNamed() = false;
    Log(std::string("scenario error: ") + error.what());
    return false;
  }
}

// One log line: the function, its inputs, the status and, when it
// succeeded, what it wrote.
std::int32_t Report(const char* function, const std::string& inputs, std::int32_t status,
                    const std::string& outputs = "") {
  std::string line = function;
  if (!inputs.empty()) line += " " + inputs;
  line += " -> status=" + std::to_string(status);
  if (status == 0 && !outputs.empty()) line += " " + outputs;
  Log(line);
  // The model's records serve this line only; forgetting them keeps a long
  // run's memory flat.
  Model().ClearCalls();
  return status;
}

std::string HandleText(std::uint32_t handle) { return "handle=" + HexText(handle); }

std::int32_t GetId(MemoryCp210x::Function function, std::uint32_t handle, std::int32_t* id,
                   const char* field) {
  const char* name = MemoryCp210x::NameOf(function);
  if (id == nullptr) {
    return Report(name, HandleText(handle), MemoryCp210x::kStatusInvalidParameter);
  }
  const std::int32_t status = function == MemoryCp210x::Function::GetDeviceVid
                                  ? Model().CP210x_GetDeviceVid(handle, *id)
                                  : Model().CP210x_GetDevicePid(handle, *id);
  return Report(name, HandleText(handle), status,
                std::string(field) + "=" + HexText(static_cast<std::uint32_t>(*id)));
}

}  // namespace
}  // namespace standin
}  // namespace tervane

using namespace tervane;
using namespace tervane::standin;

// The exports: __stdcall, a 32-bit status each, named without decoration by
// the .def file. Null pointers are refused before the model sees the call.
extern "C" {

std::int32_t __stdcall CP210x_GetNumDevices(std::int32_t* numDevices) {
  const char* name = "CP210x_GetNumDevices";
  if (numDevices == nullptr) return Report(name, "", MemoryCp210x::kStatusInvalidParameter);
  std::int32_t status = kStatusBadScenario;
  bool wrote = true;
  if (ReloadScenario()) {
    status = Model().CP210x_GetNumDevices(*numDevices);
    wrote = status == 0 || CountNamed();
  } else {
    *numDevices = 0;
  }
  // A failing count that writes through its reference is logged with what it wrote.
  Log(std::string(name) + " -> status=" + std::to_string(status) +
      (wrote ? " count=" + std::to_string(*numDevices) : ""));
  Model().ClearCalls();
  return status;
}

std::int32_t __stdcall CP210x_Open(std::int32_t deviceNum, std::uint32_t* handle) {
  const std::string inputs = "index=" + std::to_string(deviceNum);
  const char* name = "CP210x_Open";
  if (handle == nullptr) return Report(name, inputs, MemoryCp210x::kStatusInvalidParameter);
  const std::int32_t status = Model().CP210x_Open(deviceNum, *handle);
  return Report(name, inputs, status, HandleText(*handle));
}

// A failing close leaves the bridge open.
std::int32_t __stdcall CP210x_Close(std::uint32_t handle) {
  return Report("CP210x_Close", HandleText(handle), Model().CP210x_Close(handle));
}

std::int32_t __stdcall CP210x_GetDeviceVid(std::uint32_t handle, std::int32_t* vid) {
  return GetId(MemoryCp210x::Function::GetDeviceVid, handle, vid, "vid");
}

std::int32_t __stdcall CP210x_GetDevicePid(std::uint32_t handle, std::int32_t* pid) {
  return GetId(MemoryCp210x::Function::GetDevicePid, handle, pid, "pid");
}

// The model stores into a scratch array as large as the most a scenario may
// store; exactly the bytes it stored reach the caller's buffer, however
// small that is, as a library that writes past the end would.
std::int32_t __stdcall CP210x_GetDeviceSerialNumber(std::uint32_t handle, std::uint8_t* buffer,
                                                    std::int32_t* length, std::int32_t* flag) {
  const char* name = "CP210x_GetDeviceSerialNumber";
  std::string inputs = HandleText(handle);
  if (flag != nullptr) inputs += " flag=" + std::to_string(*flag);
  if (buffer == nullptr || length == nullptr || flag == nullptr) {
    return Report(name, inputs, MemoryCp210x::kStatusInvalidParameter);
  }
  ByteArray scratch(kMaxSerialStored);
  const std::int32_t status = Model().CP210x_GetDeviceSerialNumber(handle, scratch, *length, *flag);
  if (status != 0) return Report(name, inputs, status);
  const MemoryCp210x::Call& call = Model().calls().back();
  std::memcpy(buffer, scratch.data(), static_cast<std::size_t>(call.stored));
  const auto& serial = Model().bridge(call.index).serial;
  return Report(name, inputs, status,
                "length=" + std::to_string(*length) + " written=" + std::to_string(call.stored) +
                    " serial=" + EscapeBytes(std::string(serial.begin(), serial.end())));
}

}  // extern "C"
