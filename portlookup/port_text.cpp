// Text helpers and the port-name decoding shared by both lookups.
#include "portlookup/port_text.h"

#include <cstdio>

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

std::string Hex(std::int32_t value, const char* format) {
  char digits[9];
  std::snprintf(digits, sizeof digits, format,
                static_cast<unsigned>(static_cast<std::uint32_t>(value)));
  return digits;
}

}  // namespace

std::string HexLower(std::int32_t value) { return Hex(value, "%x"); }
std::string HexUpper(std::int32_t value) { return Hex(value, "%X"); }

std::int16_t DecodePortNameInPlace(ByteArray& Buffer, std::int32_t ByteCount) {
  Buffer.at(0) = '0';
  Buffer.at(1) = '0';
  Buffer.at(2) = '0';
  const std::int32_t length = CheckedSub32(ByteCount, 1);
  return RoundToInt16(ReadNumber(ConvertToString(Buffer, length)));
}

}  // namespace tervane
