// Text helpers and the port-name decoding shared by both lookups.
#include "portlookup/port_text.h"

#include "platform/checked_int.h"
#include "platform/number_text.h"

namespace tervane {

std::string ConvertToString(const ByteArray& ConvertArray, std::int32_t ConvertLength) {
  std::string text;
  // The last index is at most INT32_MAX - 1, so the loop's ++i never overflows.
  const std::int32_t last = CheckedSub32(ConvertLength, 1);
  for (std::int32_t i = 0; i <= last; ++i) text += static_cast<char>(ConvertArray.at(i));
  return text;
}

namespace {

// The 32-bit two's complement of the value, in the digits given.
std::string Hex(std::int32_t value, const char* digitSet) {
  auto bits = static_cast<std::uint32_t>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), digitSet[bits % 16]);
    bits /= 16;
  } while (bits != 0);
  return digits;
}

}  // namespace

std::string HexLower(std::int32_t value) { return Hex(value, "0123456789abcdef"); }
std::string HexUpper(std::int32_t value) { return Hex(value, "0123456789ABCDEF"); }

std::int16_t DecodePortNameInPlace(ByteArray& Buffer, std::int32_t ByteCount) {
  Buffer.at(0) = '0';
  Buffer.at(1) = '0';
  Buffer.at(2) = '0';
  const std::int32_t length = CheckedSub32(ByteCount, 1);
  return RoundToInt16(ReadNumber(ConvertToString(Buffer, length)));
}

}  // namespace tervane
