// The leading-number reader used for radix constants and port names.
#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

namespace tervane {
namespace {

TEST(ReadNumber, DecimalTexts) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"", 0},           {"0005", 5},      {"00012", 12},     {"000", 0},       {"0007X", 7},
      {"0001 2", 12},    {"0\t1\n2", 12},  {"0002.5", 2.5},   {"0001.", 1},     {"000.5", 0.5},
      {"0001E2", 100},   {"0001e+2", 100}, {"00015D-1", 1.5}, {"0001d 2", 100}, {"0001E", 1},
      {"0001E+", 1},     {"0001E2X", 100}, {"0001.2.3", 1.2}, {"0001,5", 1},    {"abc", 0},
      {"  -3", -3},      {"+4", 4},        {"0001 . 5", 1.5}, {"0001\r2", 1},   {".", 0},
      {"0001E2.5", 100},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(ReadNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ReadNumber, NulCharacterEndsTheNumber) {
  EXPECT_DOUBLE_EQ(ReadNumber(std::string("0003\0"
                                          "4",
                                          6)),
                   3);
}

TEST(ReadNumber, RadixPrefixesArePositive) {
  EXPECT_DOUBLE_EQ(ReadNumber("&H10C4"), 4292);
  EXPECT_DOUBLE_EQ(ReadNumber("&H823E"), 33342);
  EXPECT_DOUBLE_EQ(ReadNumber("&hff"), 255);
  EXPECT_DOUBLE_EQ(ReadNumber("&HFFFFFFFF"), 4294967295.0);
  EXPECT_DOUBLE_EQ(ReadNumber("&O17"), 15);
  EXPECT_DOUBLE_EQ(ReadNumber("&H"), 0);
  EXPECT_DOUBLE_EQ(ReadNumber("&X1"), 0);
}

// The digits and the exponent meet exactly, however many digits stand on
// either side of the period, and an exponent too large to matter saturates.
TEST(ReadNumber, ExponentsCountFromTheLastDigit) {
  EXPECT_EQ(ReadNumber("0." + std::string(400, '0') + "1E401"), 1.0);
  EXPECT_EQ(ReadNumber("1" + std::string(400, '0') + "E-400"), 1.0);
  EXPECT_EQ(ReadNumber("25" + std::string(600, '0') + ".0E-601"), 2.5);
  EXPECT_TRUE(std::isinf(ReadNumber("0001E99999999999999999999")));
  EXPECT_EQ(ReadNumber("0001E-99999999999999999999"), 0.0);
  EXPECT_EQ(ReadNumber("0." + std::string(2000, '0') + "1E99999999999999"), HUGE_VAL);
}

char Digit(std::mt19937& random) { return static_cast<char>('0' + random() % 10); }

// The value is the correctly rounded double, also where the text lies a hair
// beside a halfway point, as glibc's strtod rounds.
TEST(ReadNumber, DecimalsRoundAsStrtodDoes) {
  const char* const cases[] = {"2.5000000000000000000000001",
                               "2.4999999999999999999999999",
                               "32767.49999999999999999999",
                               "32767.5000000000000000001",
                               "9007199254740993",
                               "0.1",
                               "1e23",
                               "2.2250738585072011e-308",
                               "-7.0e-1",
                               "+123456789012345678901234567890"};
  for (const char* text : cases) {
    EXPECT_EQ(ReadNumber(text), std::strtod(text, nullptr)) << text;
  }
  std::mt19937 random(5);
  for (int i = 0; i < 20000; ++i) {
    std::string text = random() % 2 ? "-" : "";
    for (int n = static_cast<int>(random() % 25); n >= 0; --n) text += Digit(random);
    if (random() % 2) text += '.';
    for (int n = static_cast<int>(random() % 25); n > 0; --n) text += Digit(random);
    if (random() % 2) text += "e" + std::to_string(static_cast<int>(random() % 700) - 350);
    ASSERT_EQ(ReadNumber(text), std::strtod(text.c_str(), nullptr)) << text;
  }
}

TEST(ReadNumber, HugeValuesBecomeInfinite) {
  EXPECT_TRUE(std::isinf(ReadNumber("0001E400")));
  EXPECT_TRUE(std::isinf(ReadNumber("000" + std::string(400, '9'))));
  EXPECT_DOUBLE_EQ(ReadNumber("0001E-400"), 0);
}

}  // namespace
}  // namespace tervane
