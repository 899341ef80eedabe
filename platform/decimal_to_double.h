// Decimal digits times a power of ten to the nearest double, without the C run-time's strtod.
#pragma once

#include <cstdint>
#include <string_view>

namespace tervane {

// The double nearest to D x 10^exponent, where D is the decimal integer that
// `digits` spells; of two equally near doubles, the one with the even last
// mantissa bit. `digits` holds only '0'..'9' and may be of any length, empty
// or all zeros (+0), with leading and trailing zeros. Every exponent is
// allowed, so a caller reading "12.5e3" passes "125" and 3 - 1, saturating
// that sum instead of letting it wrap. Values at or past the halfway point
// above the largest double give +infinity; values at or below half the
// smallest subnormal give +0. The result is never negative: the caller
// applies the sign. Needs no heap and under 1 KB of stack; inputs of 800 or
// more significant digits take about 0.1 ms.
double DecimalToDouble(std::string_view digits, std::int32_t exponent);

}  // namespace tervane
