// Fuzzes DecimalToDouble against glibc's strtod: raw digit strings, and exact halfway points.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "platform/decimal_to_double.h"
#include "support/decimal_reference.h"

// Byte 0 picks the form. Even: bytes 1-2 place the leading digit (or bytes 1-4 give any
// exponent), the rest are digits, repeated past 1000 digits when bit 2 is set. Odd: bytes 1-8 are a
// double, the text is the exact halfway point above it, nudged by byte 9, with the rest as further
// digits after the given zeros.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tervane;
  if (size < 3) return 0;
  std::string digits;
  std::int32_t exponent = 0;
  if ((data[0] & 1) == 0) {
    std::size_t at = 3;
    if ((data[0] & 2) != 0 && size >= 5) {
      exponent =
          static_cast<std::int32_t>(std::uint32_t{data[1]} << 24 | std::uint32_t{data[2]} << 16 |
                                    std::uint32_t{data[3]} << 8 | data[4]);
      at = 5;
    }
    for (std::size_t i = at; i < size; ++i) digits += static_cast<char>('0' + data[i] % 10);
    if ((data[0] & 4) != 0) {
      while (!digits.empty() && digits.size() < 1000) digits += digits;
    }
    if (at == 3) {
      const int lead = static_cast<std::int16_t>(data[1] << 8 | data[2]) % 400;
      exponent = lead - static_cast<std::int32_t>(digits.size());
    }
  } else {
    if (size < 10) return 0;
    std::uint64_t bits = 0;
    for (int i = 1; i <= 8; ++i) bits = bits << 8 | data[i];
    bits %= 0x7FF0000000000000u;
    const Decimal half = ExactDecimal(HalfwayAbove(FromBits(bits)));
    digits = half.digits;
    exponent = half.exponent;
    switch (data[9] % 4) {
      case 1:
        IncrementLast(digits);
        break;
      case 2:
        DecrementLast(digits);
        break;
      default:
        break;
    }
    if (data[9] / 4 % 2 == 1) {
      const std::size_t zeros = std::size_t{data[9]} / 8 * 32;
      digits.append(zeros, '0');
      for (std::size_t i = 10; i < size; ++i) digits += static_cast<char>('0' + data[i] % 10);
      exponent -= static_cast<std::int32_t>(digits.size() - half.digits.size());
    }
  }
  const double got = DecimalToDouble(digits, exponent);
  Check(Bits(got) == Bits(ReferenceStrtod(digits, exponent)));
  return 0;
}
