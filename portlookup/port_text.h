// Bytes to text, IDs to hexadecimal, and the decoding of a port name read from the registry.
#pragma once

#include <cstdint>
#include <string>

#include "platform/byte_array.h"

namespace tervane {

// Size of the buffer every registry value is read into; the first query of a
// lookup is handed a byte count of kValueQueryCount.
constexpr std::int32_t kValueBufferSize = 102;
constexpr std::int32_t kValueQueryCount = 100;

// The first ConvertLength bytes of ConvertArray, one character per byte (a
// zero byte stays in the text). 0 or less gives the empty text; an index
// beyond the array raises the subscript-out-of-range error, the most
// negative count the overflow error. Bytes above 127 are kept as they are,
// so a name built from them reaches the registry unchanged.
std::string ConvertToString(const ByteArray& ConvertArray, std::int32_t ConvertLength);

// The value in hexadecimal without leading zeros; a negative value gives the
// eight digits of its 32-bit two's complement.
std::string HexLower(std::int32_t value);
std::string HexUpper(std::int32_t value);

// Decodes the buffer just after a successful "PortName" query that left
// ByteCount, rewriting it: bytes 0 to 2 (the "COM" prefix) become the digit
// 0 in the caller's buffer, and the leading number of the first
// ByteCount - 1 bytes, narrowed half-to-even, is the port. Raises the
// overflow error outside -32768..32767. docs/design.md tells why.
std::int16_t DecodePortNameInPlace(ByteArray& Buffer, std::int32_t ByteCount);

}  // namespace tervane
