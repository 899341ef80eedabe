// The leading-number reader used for radix constants and port names.
#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(ReadNumber, HugeValuesBecomeInfinite) {
  EXPECT_TRUE(std::isinf(ReadNumber("0001E400")));
  EXPECT_TRUE(std::isinf(ReadNumber("000" + std::string(400, '9'))));
  EXPECT_DOUBLE_EQ(ReadNumber("0001E-400"), 0);
}

}  // namespace
}  // namespace tervane
