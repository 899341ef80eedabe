// DecimalToDouble against glibc's strtod and against halfway points worked out exactly.
#include "platform/decimal_to_double.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "support/decimal_reference.h"

namespace tervane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMinSubnormal = std::numeric_limits<double>::denorm_min();

std::string Describe(std::string_view digits, std::int32_t exponent) {
  std::string text = digits.size() <= 60 ? std::string(digits)
                                         : std::string(digits.substr(0, 30)) + "..." +
                                               std::string(digits.substr(digits.size() - 20)) +
                                               " (" + std::to_string(digits.size()) + " digits)";
  return '"' + text + "\" e" + std::to_string(exponent);
}

// Compares bit for bit, with the reference and, when given, the expected value.
::testing::AssertionResult Converts(std::string_view digits, std::int32_t exponent,
                                    const double* expected = nullptr) {
  const double got = DecimalToDouble(digits, exponent);
  const double reference = ReferenceStrtod(digits, exponent);
  if (Bits(got) != Bits(reference) || (expected != nullptr && Bits(got) != Bits(*expected))) {
    auto failure = ::testing::AssertionFailure()
                   << Describe(digits, exponent) << ": got " << got << " (" << std::hex << Bits(got)
                   << "), strtod " << reference << " (" << Bits(reference) << ")";
    if (expected != nullptr)
      failure << ", expected " << *expected << " (" << Bits(*expected) << ")";
    return failure;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ConvertsTo(std::string_view digits, std::int32_t exponent,
                                      double expected) {
  return Converts(digits, exponent, &expected);
}

TEST(DecimalToDouble, Zeros) {
  EXPECT_TRUE(ConvertsTo("", 0, 0.0));
  EXPECT_TRUE(ConvertsTo("", 999999999, 0.0));
  EXPECT_TRUE(ConvertsTo("0", 0, 0.0));
  EXPECT_TRUE(ConvertsTo("0000", -5, 0.0));
  EXPECT_TRUE(ConvertsTo(std::string(5000, '0'), 999999999, 0.0));
  EXPECT_TRUE(ConvertsTo("0", std::numeric_limits<std::int32_t>::max(), 0.0));
  EXPECT_TRUE(ConvertsTo("0", std::numeric_limits<std::int32_t>::min(), 0.0));
}

TEST(DecimalToDouble, SmallNumbers) {
  EXPECT_TRUE(ConvertsTo("1", 0, 1.0));
  EXPECT_TRUE(ConvertsTo("0001", 0, 1.0));
  EXPECT_TRUE(ConvertsTo(std::string(1000, '0') + "1", 0, 1.0));
  EXPECT_TRUE(ConvertsTo("1000", -3, 1.0));
  EXPECT_TRUE(ConvertsTo("12345", 0, 12345.0));
  EXPECT_TRUE(ConvertsTo("32767", 0, 32767.0));
  EXPECT_TRUE(ConvertsTo("25", -1, 2.5));
  EXPECT_TRUE(ConvertsTo("35", -1, 3.5));
  EXPECT_TRUE(ConvertsTo("327675", -1, 32767.5));
  EXPECT_TRUE(ConvertsTo("25000000000000000000001", -22, 2.5));
  EXPECT_TRUE(ConvertsTo("24999999999999999999999", -22, 2.5));
  EXPECT_TRUE(ConvertsTo("1", -1, 0.1));
  EXPECT_TRUE(ConvertsTo("3", -1, 0.3));
  EXPECT_TRUE(ConvertsTo("1", 23, 1e23));
  EXPECT_TRUE(ConvertsTo("8589973", -3, 8589.973));
  EXPECT_TRUE(ConvertsTo("4294967295", 0, 4294967295.0));
}

TEST(DecimalToDouble, ReadsOnlyTheView) {
  const std::string_view text = "123456";
  EXPECT_EQ(DecimalToDouble(text.substr(0, 3), 0), 123.0);
}

TEST(DecimalToDouble, HalfwayIntegers) {
  // 2^53 + 1 lies halfway between 2^53 and 2^53 + 2; the even one is 2^53.
  EXPECT_TRUE(ConvertsTo("9007199254740993", 0, 9007199254740992.0));
  EXPECT_TRUE(ConvertsTo("9007199254740995", 0, 9007199254740996.0));
  EXPECT_TRUE(ConvertsTo("90071992547409930000000000000000000001", -22, 9007199254740994.0));
  EXPECT_TRUE(
      ConvertsTo("9007199254740993" + std::string(2000, '0') + "1", -2001, 9007199254740994.0));
  EXPECT_TRUE(ConvertsTo("9007199254740992" + std::string(2000, '9'), -2000, 9007199254740992.0));
}

TEST(DecimalToDouble, LargestDouble) {
  EXPECT_TRUE(ConvertsTo("17976931348623157", 292, DBL_MAX));
  EXPECT_TRUE(ConvertsTo("17976931348623158", 292, DBL_MAX));
  EXPECT_TRUE(ConvertsTo("17976931348623159", 292, kInf));
  EXPECT_TRUE(ConvertsTo("1", 308, 1e308));
  EXPECT_TRUE(ConvertsTo("1", 309, kInf));
  const Decimal half = ExactDecimal(HalfwayAbove(DBL_MAX));
  EXPECT_TRUE(ConvertsTo(half.digits, half.exponent, kInf));
  std::string below = half.digits;
  DecrementLast(below);
  EXPECT_TRUE(ConvertsTo(below + std::string(3000, '9'), half.exponent - 3000, DBL_MAX));
  EXPECT_TRUE(ConvertsTo("1", 999999999, kInf));
  EXPECT_TRUE(ConvertsTo("1", std::numeric_limits<std::int32_t>::max(), kInf));
  EXPECT_TRUE(ConvertsTo(std::string(3000, '7'), 999999999, kInf));
  EXPECT_TRUE(ConvertsTo(std::string(3000, '7'), std::numeric_limits<std::int32_t>::max(), kInf));
}

TEST(DecimalToDouble, SmallestDoubles) {
  EXPECT_TRUE(ConvertsTo("22250738585072014", -324, DBL_MIN));
  EXPECT_TRUE(ConvertsTo("22250738585072011", -324, 2.2250738585072011e-308));
  EXPECT_TRUE(ConvertsTo("22250738585072012", -324, 2.2250738585072012e-308));
  EXPECT_TRUE(ConvertsTo("49406564584124654", -340, kMinSubnormal));
  EXPECT_TRUE(ConvertsTo("5", -324, kMinSubnormal));
  EXPECT_TRUE(ConvertsTo("3", -324, kMinSubnormal));
  EXPECT_TRUE(ConvertsTo("2", -324, 0.0));
  EXPECT_TRUE(ConvertsTo("1", -323, 2 * kMinSubnormal));
  EXPECT_TRUE(ConvertsTo("1", -400, 0.0));
  // Half the smallest subnormal rounds to the even neighbour, 0; anything above it does not.
  const Decimal half = ExactDecimal(HalfwayAbove(0.0));
  EXPECT_TRUE(ConvertsTo(half.digits, half.exponent, 0.0));
  EXPECT_TRUE(ConvertsTo(half.digits + "1", half.exponent - 1, kMinSubnormal));
  EXPECT_TRUE(
      ConvertsTo(half.digits + std::string(5000, '0') + "1", half.exponent - 5001, kMinSubnormal));
  std::string below = half.digits;
  DecrementLast(below);
  EXPECT_TRUE(ConvertsTo(below + std::string(5000, '9'), half.exponent - 5000, 0.0));
  EXPECT_TRUE(ConvertsTo("1", -999999999, 0.0));
  EXPECT_TRUE(ConvertsTo("1", std::numeric_limits<std::int32_t>::min(), 0.0));
  EXPECT_TRUE(ConvertsTo(std::string(3000, '7'), -999999999, 0.0));
  EXPECT_TRUE(ConvertsTo(std::string(3000, '7'), std::numeric_limits<std::int32_t>::min(), 0.0));
}

TEST(DecimalToDouble, LongDigitStringsWithTinyExponents) {
  EXPECT_TRUE(ConvertsTo("1" + std::string(5000, '0'), -5000, 1.0));
  EXPECT_TRUE(ConvertsTo("25" + std::string(5000, '0'), -5001, 2.5));
  EXPECT_TRUE(ConvertsTo("17976931348623157" + std::string(4000, '0'), 292 - 4000, DBL_MAX));
  EXPECT_TRUE(ConvertsTo("22250738585072014" + std::string(4000, '0'), -324 - 4000, DBL_MIN));
  EXPECT_TRUE(ConvertsTo(std::string(3000, '9'), -3000, 1.0));
  EXPECT_TRUE(ConvertsTo(std::string(3000, '3'), -3000, 1.0 / 3));
  std::mt19937_64 random(7);
  for (int i = 0; i < 200; ++i) {
    std::string digits(1000 + random() % 4000, '0');
    for (char& c : digits) c = static_cast<char>('0' + random() % 10);
    const auto size = static_cast<std::int32_t>(digits.size());
    EXPECT_TRUE(Converts(digits, -size + static_cast<std::int32_t>(random() % 600) - 300));
    EXPECT_TRUE(Converts(digits, 999999999 - size));
    EXPECT_TRUE(Converts(digits, -999999999));
  }
}

// A double drawn over the whole range, with extra weight on the binade edges, subnormals and
// the ends of the range where rounding crosses into another binade or out of range.
double RandomDouble(std::mt19937_64& random) {
  static const std::uint64_t kEdgeExponents[] = {0, 1, 2, 3, 52, 53, 1023, 1075, 2045, 2046};
  std::uint64_t exponent = random() % 2047;
  if (random() % 4 == 0) exponent = kEdgeExponents[random() % std::size(kEdgeExponents)];
  std::uint64_t mantissa = random() & 0xFFFFFFFFFFFFFu;
  switch (random() % 8) {
    case 0:
      mantissa = 0;
      break;
    case 1:
      mantissa = 0xFFFFFFFFFFFFFu;
      break;
    case 2:
      mantissa >>= random() % 52;  // few significant bits
      break;
    default:
      break;
  }
  return FromBits(exponent << 52 | mantissa);
}

// The exact halfway point between a double and the next one up rounds to the even one of them;
// a unit more or less in its last digit, or far beyond the first 800, decides the tie.
TEST(DecimalToDouble, HalfwayPointsOfRandomDoubles) {
  std::mt19937_64 random(20240611);
  std::size_t longest = 0;
  for (int i = 0; i < 500; ++i) {
    const double below = RandomDouble(random);
    const double above = Bits(below) == 0x7FEFFFFFFFFFFFFFu ? kInf : FromBits(Bits(below) + 1);
    const double even = (Bits(below) & 1) == 0 ? below : above;
    const Decimal half = ExactDecimal(HalfwayAbove(below));
    longest = std::max(longest, half.digits.size());
    ASSERT_TRUE(ConvertsTo(half.digits, half.exponent, even));

    std::string up = half.digits;
    IncrementLast(up);
    EXPECT_TRUE(ConvertsTo(up, half.exponent, above));
    std::string down = half.digits;
    DecrementLast(down);
    EXPECT_TRUE(ConvertsTo(down, half.exponent, below));

    const std::size_t far = 1 + random() % 1500;
    EXPECT_TRUE(ConvertsTo(half.digits + std::string(far, '0') + "1",
                           half.exponent - static_cast<std::int32_t>(far + 1), above));
    EXPECT_TRUE(ConvertsTo(down + std::string(far, '9'),
                           half.exponent - static_cast<std::int32_t>(far), below));
    EXPECT_TRUE(ConvertsTo(half.digits + std::string(far, '0'),
                           half.exponent - static_cast<std::int32_t>(far), even));
  }
  // No halfway point has more than 768 significant digits (see kMaxDigits), and 800 are used.
  EXPECT_LE(longest, 768u);
  std::printf("longest halfway point seen: %zu digits\n", longest);
}

// Random digit strings of varied length, leading zeros and runs of 0 or 9, at exponents that
// mostly put the value in or near the range of doubles.
TEST(DecimalToDouble, RandomInputsAgainstStrtod) {
  std::mt19937_64 random(42);
  int failures = 0;
  for (int i = 0; i < 25000 && failures < 20; ++i) {
    const int pick = static_cast<int>(random() % 10);
    const std::size_t size = pick < 6   ? 1 + random() % 20
                             : pick < 9 ? 1 + random() % 120
                                        : 1 + random() % 1500;
    std::string digits(size, '0');
    for (char& c : digits) c = static_cast<char>('0' + random() % 10);
    if (random() % 4 == 0) {
      const std::size_t from = random() % size;
      digits.replace(from, size - from, size - from, random() % 2 == 0 ? '0' : '9');
    }
    std::int32_t exponent =
        static_cast<std::int32_t>(random() % 680) - 345 - static_cast<std::int32_t>(size);
    if (random() % 50 == 0) exponent = static_cast<std::int32_t>(random());
    if (random() % 8 == 0) digits.insert(0, random() % 40, '0');
    const auto result = Converts(digits, exponent);
    EXPECT_TRUE(result);
    if (!result) ++failures;
  }
}

}  // namespace
}  // namespace tervane
