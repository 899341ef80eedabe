// Correctly rounded decimal-to-double conversion by exact big-integer arithmetic.
#include "platform/decimal_to_double.h"

#include <cstring>

namespace tervane {

namespace {

// Significant digits used exactly; of the rest only "all zero or not" counts.
// Let V be the value, in [10^(k-1), 10^k), and T its first kMaxDigits
// significant digits, so T <= V < T + 10^(k - kMaxDigits). Every double near V
// and every halfway point between two of them is a multiple of 2^(low-1), low
// being the exponent of the last mantissa bit there: for low <= 0 that is
// 5^(1-low) x 10^(low-1), a multiple of 10^(low-1); for low >= 1 a whole
// number, and k <= 309 keeps all whole digits in T. So once
// k - kMaxDigits <= low - 1, none of them lies strictly between T and V: V
// rounds as T does, except that T on a halfway point goes up when a dropped
// digit is non-zero. k - low + 1 is at most 768: for normal doubles
// low = e2 - 52 with 2^e2 <= V < 2^(e2+1), and 10^(k-1) <= V gives
// k < 1.31 + 0.302 e2, so k - low + 1 < 54.31 - 0.699 e2, largest at
// e2 = -1022; below that low = -1074 and k <= -307. 800 leaves room.
constexpr int kMaxDigits = 800;

// Unsigned integer, 32-bit words, least significant first. Sizes reached:
// the digits below 10^800 < 2^2658, or when multiplied by 5^e10 below
// 10^309; the divisor 5^1123 < 2^2608 (1123 = kMaxDigits + 323); both shifted
// to the longer one's length, then the dividend below twice the divisor:
// 2659 bits, 84 words. size_ comes before words_ so that an overrun would
// leave the object, where AddressSanitizer sees it.
class Big {
 public:
  explicit Big(std::uint32_t value) : size_(value != 0 ? 1 : 0), words_{value} {}

  // *this = *this * factor + addend.
  void MulAdd(std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (int i = 0; i < size_; ++i) {
      carry += std::uint64_t{words_[i]} * factor;
      words_[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry != 0) words_[size_++] = static_cast<std::uint32_t>(carry);
  }

  void ShiftLeft(int bits) {
    if (size_ == 0) return;
    const int whole = bits / 32;
    for (int i = size_ - 1; i >= 0; --i) words_[i + whole] = words_[i];
    for (int i = 0; i < whole; ++i) words_[i] = 0;
    size_ += whole;
    MulAdd(std::uint32_t{1} << (bits % 32), 0);
  }

  // *this -= other; requires *this >= other.
  void Subtract(const Big& other) {
    std::uint64_t borrow = 0;
    for (int i = 0; i < size_; ++i) {
      const std::uint64_t diff =
          std::uint64_t{words_[i]} - (i < other.size_ ? other.words_[i] : 0) - borrow;
      words_[i] = static_cast<std::uint32_t>(diff);
      borrow = diff >> 63;
    }
    while (size_ > 0 && words_[size_ - 1] == 0) --size_;
  }

  int BitLength() const {
    int bits = 32 * size_;
    if (size_ > 0) {
      for (std::uint32_t top = words_[size_ - 1]; top < 0x80000000u; top <<= 1) --bits;
    }
    return bits;
  }

  friend int Compare(const Big& a, const Big& b) {
    if (a.size_ != b.size_) return a.size_ < b.size_ ? -1 : 1;
    for (int i = a.size_ - 1; i >= 0; --i) {
      if (a.words_[i] != b.words_[i]) return a.words_[i] < b.words_[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  int size_;  // words in use; the top one is non-zero
  std::uint32_t words_[84];
};

double FromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

constexpr std::uint64_t kInfinityBits = 0x7FF0000000000000u;

}  // namespace

double DecimalToDouble(std::string_view digits, std::int32_t exponent) {
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return 0.0;
  digits.remove_prefix(first);

  // The value lies in [10^(k-1), 10^k). 10^309 is past the largest double
  // and 10^-324 below half the smallest subnormal, 2^-1075. (A string cannot
  // be long enough for the sum to overflow.)
  const std::int64_t k = static_cast<std::int64_t>(digits.size()) + exponent;
  if (k > 309) return FromBits(kInfinityBits);
  if (k < -323) return 0.0;

  const std::size_t kept = digits.size() < kMaxDigits ? digits.size() : kMaxDigits;
  const bool sticky = digits.find_first_not_of('0', kept) != std::string_view::npos;
  const int e10 = static_cast<int>(k - static_cast<std::int64_t>(kept));  // -1123..309

  // value = num / den x 2^e2, with num / den made to lie in [1, 2).
  Big num(0);
  Big den(1);
  for (std::size_t i = 0; i < kept; ++i) {
    num.MulAdd(10, static_cast<std::uint32_t>(digits[i] - '0'));
  }
  for (int i = 0; i < e10; ++i) num.MulAdd(5, 0);
  for (int i = 0; i > e10; --i) den.MulAdd(5, 0);
  const int shift = den.BitLength() - num.BitLength();
  if (shift > 0) {
    num.ShiftLeft(shift);
  } else {
    den.ShiftLeft(-shift);
  }
  int e2 = e10 - shift;
  if (Compare(num, den) < 0) {
    num.ShiftLeft(1);
    --e2;
  }
  if (e2 > 1023) return FromBits(kInfinityBits);
  if (e2 < -1075) return 0.0;

  // Long division, one mantissa bit at a time down to 2^low; subnormals stop
  // at 2^-1074. e2 = -1075 takes no bit and only rounds.
  const int low = e2 - 52 > -1074 ? e2 - 52 : -1074;
  std::uint64_t mantissa = 0;
  for (int bit = e2; bit >= low; --bit) {
    mantissa <<= 1;
    if (Compare(num, den) >= 0) {
      num.Subtract(den);
      mantissa |= 1;
    }
    num.ShiftLeft(1);
  }
  // num / den is now twice the remainder, in units of 2^low.
  const int half = Compare(num, den);
  if (half > 0 || (half == 0 && (sticky || (mantissa & 1) != 0))) ++mantissa;

  // The mantissa's leading 1 carries into the exponent field, so normals,
  // subnormals, a round-up to the next power of two and the round-up past the
  // largest double to infinity all come out of the one sum.
  return FromBits((static_cast<std::uint64_t>(low + 1074) << 52) + mantissa);
}

}  // namespace tervane
