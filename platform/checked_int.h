// Signed 16- and 32-bit arithmetic that raises the overflow error instead of wrapping.
#pragma once

#include <cstdint>

namespace tervane {

std::int32_t CheckedSub32(std::int32_t a, std::int32_t b);
std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b);
std::int16_t CheckedSub16(std::int16_t a, std::int16_t b);

// Nearest integer, halves to the even one (2.5 -> 2, 3.5 -> 4); overflow
// error outside -32768..32767, for infinities and for NaN.
std::int16_t RoundToInt16(double value);

// The low 16 bits of a 32-bit value, read as a signed 16-bit value. This is
// a deliberate truncation, never an overflow.
std::int16_t LowWord16(std::int32_t value);

}  // namespace tervane
