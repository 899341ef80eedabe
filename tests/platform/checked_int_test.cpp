// Checked 16/32-bit arithmetic, the low word and banker's rounding.
#include "platform/checked_int.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/runtime_error.h"

namespace tervane {
namespace {

void ExpectOverflow(void (*f)()) {
  try {
    f();
    ADD_FAILURE() << "no error raised";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), ErrorCode::Overflow);
    EXPECT_EQ(e.description(), "Overflow");
  }
}

TEST(CheckedInt, AddAndSubtractWithinRange) {
  EXPECT_EQ(CheckedSub32(INT32_MIN + 1, 1), INT32_MIN);
  EXPECT_EQ(CheckedSub32(0, 1), -1);
  EXPECT_EQ(CheckedAdd16(32766, 1), 32767);
  EXPECT_EQ(CheckedSub16(-32767, 1), -32768);
}

TEST(CheckedInt, OverflowRaisesTheOverflowError) {
  ExpectOverflow([] { CheckedSub32(INT32_MIN, 1); });
  ExpectOverflow([] { CheckedAdd16(32767, 1); });
  ExpectOverflow([] { CheckedSub16(-32768, 1); });
}

TEST(CheckedInt, RoundToInt16TakesHalvesToEven) {
  const struct {
    double in;
    int out;
  } cases[] = {{2.5, 2},           {3.5, 4},           {-2.5, -2},  {-3.5, -4}, {0.5, 0},
               {1.5, 2},           {2.4999, 2},        {2.5001, 3}, {-0.4, 0},  {32767.4, 32767},
               {-32768.5, -32768}, {-32768.4, -32768}, {12, 12},    {0, 0},     {1e-300, 0}};
  for (const auto& c : cases) EXPECT_EQ(RoundToInt16(c.in), c.out) << c.in;
}

TEST(CheckedInt, RoundToInt16OverflowsOutsideTheRange) {
  ExpectOverflow([] { RoundToInt16(32767.5); });  // rounds to the even 32768
  ExpectOverflow([] { RoundToInt16(-32768.6); });
  ExpectOverflow([] { RoundToInt16(40000); });
  ExpectOverflow([] { RoundToInt16(std::numeric_limits<double>::infinity()); });
  ExpectOverflow([] { RoundToInt16(std::nan("")); });
}

TEST(CheckedInt, LowWord16KeepsTheLowBitsAsSigned) {
  EXPECT_EQ(LowWord16(0), 0);
  EXPECT_EQ(LowWord16(0xFF), 0xFF);
  EXPECT_EQ(LowWord16(0x7FFF), 32767);
  EXPECT_EQ(LowWord16(0x8000), -32768);
  EXPECT_EQ(LowWord16(0xFFFF), -1);
  EXPECT_EQ(LowWord16(0x10000), 0);
  EXPECT_EQ(LowWord16(-1), -1);
  EXPECT_EQ(LowWord16(0x12345678), 0x5678);
}

}  // namespace
}  // namespace tervane
