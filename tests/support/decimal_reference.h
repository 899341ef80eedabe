// Test helpers for DecimalToDouble: glibc's strtod as the reference, exact decimal expansions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace tervane {

inline std::uint64_t Bits(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

inline double FromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// glibc's strtod rounds correctly for any number of digits and any exponent.
inline double ReferenceStrtod(std::string_view digits, std::int32_t exponent) {
  std::string text(digits.empty() ? std::string_view("0") : digits);
  text += 'e';
  text += std::to_string(exponent);
  return std::strtod(text.c_str(), nullptr);
}

struct Decimal {
  std::string digits;
  std::int32_t exponent;
};

// The exact decimal expansion of a positive x87 long double (64-bit mantissa), which holds
// every double and every halfway point between two doubles exactly; these have at most 768
// significant digits, and glibc's printf prints the exact expansion. Trailing zeros go.
inline Decimal ExactDecimal(long double value) {
  static_assert(sizeof(long double) >= 10, "needs the x87 80-bit long double");
  char text[1200];
  std::snprintf(text, sizeof text, "%.1100Le", value);  // d.<1100 digits>e<exponent>
  Decimal d{std::string(1, text[0]) + std::string(text + 2, 1100),
            std::atoi(text + 2 + 1100 + 1) - 1100};
  while (d.digits.size() > 1 && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.exponent;
  }
  return d;
}

// The point halfway between the double `below` and the next one up; above the largest double
// the step is the same as the one below it.
inline long double HalfwayAbove(double below) {
  const std::uint64_t bits = Bits(below);
  const long double lower = below;
  if (bits == 0x7FEFFFFFFFFFFFFFu) return lower + (lower - FromBits(bits - 1)) / 2;
  return (lower + FromBits(bits + 1)) / 2;
}

// The decimal one unit higher in its last digit.
inline void IncrementLast(std::string& digits) {
  std::size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) {
    digits.insert(digits.begin(), '1');
  } else {
    ++digits[i - 1];
  }
}

// The decimal one unit lower in its last digit, which must be non-zero.
inline void DecrementLast(std::string& digits) { --digits.back(); }

}  // namespace tervane
