// Fuzzes the port-name decoding over arbitrary buffer bytes and byte counts.
#include <cstring>

#include "fuzz_input.h"
#include "platform/runtime_error.h"
#include "portlookup/port_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tervane;
  FuzzInput input(data, size);
  const std::int32_t count = input.Count(110);
  ByteArray buffer(kValueBufferSize);
  for (std::int32_t i = 0; i < buffer.size() && !input.empty(); ++i) buffer.at(i) = input.Byte();
  try {
    DecodePortNameInPlace(buffer, count);
  } catch (const RuntimeError& e) {
    if (e.code() != ErrorCode::Overflow && e.code() != ErrorCode::SubscriptOutOfRange)
      __builtin_trap();
  }
  return 0;
}
