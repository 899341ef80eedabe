// Fuzzes both lookups over a registry built from the input: any keys, values, serials and lengths.
#include "fuzz_input.h"
#include "platform/runtime_error.h"
#include "portlookup/port_text.h"
#include "portlookup/registry_port_lookup.h"
#include "support/memory_registry.h"

namespace tervane {
namespace {

const char* const kPlaces[] = {
    "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_10c4&Pid_823e&Mi_00\\",
    "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_10c4&Pid_823e\\",
    "SYSTEM\\CurrentControlSet\\Enum\\USB\\",
    "Enum\\SLABCR\\guid\\000",
    "",
};
const char* const kNames[] = {"PortName", "CRLowerDeviceID", "", "portname"};
const char* const kTails[] = {"", "\\Device Parameters", "0", "1", "2", "_00\\Device Parameters"};

void Seed(FuzzInput& input, MemoryRegistry& registry) {
  for (int n = input.Byte() % 12; n > 0; --n) {
    const std::string path =
        std::string(input.OneOf(kPlaces)) + input.Text(12) + input.OneOf(kTails);
    if (path.empty()) continue;
    registry.SetValue(path, input.OneOf(kNames), input.Byte() % 8, input.Bytes(140));
  }
}

}  // namespace
}  // namespace tervane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tervane;
  FuzzInput input(data, size);
  MemoryRegistry registry;
  Seed(input, registry);
  RegistryPortLookup lookup(registry);
  std::int32_t vid = input.Byte() < 200 ? 0x10C4 : input.Int32();
  std::int32_t pid = input.Byte() < 200 ? 0x823E : input.Int32();
  ByteArray serial(64);
  const auto bytes = input.Bytes(64);
  for (std::size_t i = 0; i < bytes.size(); ++i) serial.at(static_cast<std::int32_t>(i)) = bytes[i];
  std::int32_t length =
      input.Byte() < 200 ? static_cast<std::int32_t>(bytes.size()) : input.Count(80);
  const bool win98 = input.Byte() & 1;
  try {
    const std::int16_t port = win98 ? lookup.GetPortNum98(vid, pid, serial, length)
                                    : lookup.GetPortNumXP2000Vista(vid, pid, serial, length);
    (void)port;
  } catch (const RuntimeError& e) {
    Check(e.code() == ErrorCode::Overflow || e.code() == ErrorCode::SubscriptOutOfRange);
  }
  Check(registry.OpenHandles().empty() && registry.invalidCloses() == 0);
  for (const auto& call : registry.calls()) Check(call.byteCountIn <= kValueBufferSize);
  return 0;
}
