// Checked integer arithmetic, rounding and the low word.
#include "platform/checked_int.h"

#include <cmath>

#include "platform/runtime_error.h"

namespace tervane {

namespace {

void ThrowIf(bool overflowed) {
  if (overflowed) throw RuntimeError::Overflow();
}

}  // namespace

std::int32_t CheckedSub32(std::int32_t a, std::int32_t b) {
  std::int32_t r = 0;
  ThrowIf(__builtin_sub_overflow(a, b, &r));
  return r;
}

std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b) {
  std::int16_t r = 0;
  ThrowIf(__builtin_add_overflow(a, b, &r));
  return r;
}

std::int16_t CheckedSub16(std::int16_t a, std::int16_t b) {
  std::int16_t r = 0;
  ThrowIf(__builtin_sub_overflow(a, b, &r));
  return r;
}

std::int16_t RoundToInt16(double value) {
  if (!std::isfinite(value)) throw RuntimeError::Overflow();
  double rounded = std::floor(value);
  const double fraction = value - rounded;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
  if (rounded < INT16_MIN || rounded > INT16_MAX) throw RuntimeError::Overflow();
  return static_cast<std::int16_t>(rounded);
}

std::int16_t LowWord16(std::int32_t value) {
  const auto low = static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
  return low >= 0x8000u ? static_cast<std::int16_t>(static_cast<std::int32_t>(low) - 0x10000)
                        : static_cast<std::int16_t>(low);
}

}  // namespace tervane
