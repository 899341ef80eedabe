// Bounds-checked byte arrays.
#include "platform/byte_array.h"

#include <gtest/gtest.h>

namespace tervane {
namespace {

TEST(ByteArray, StartsZeroedWithTheGivenSize) {
  ByteArray a(64);
  EXPECT_EQ(a.size(), 64);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(a.at(i), 0);
}

TEST(ByteArray, EveryIndexOutsideTheBoundsRaises) {
  ByteArray a(4);
  a.at(3) = 7;
  EXPECT_EQ(a.data()[3], 7);
  for (int bad : {4, 5, -1, INT32_MIN, INT32_MAX}) {
    try {
      a.at(bad);
      ADD_FAILURE() << bad;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.code(), ErrorCode::SubscriptOutOfRange);
      EXPECT_EQ(e.description(), "Subscript out of range");
    }
  }
}

TEST(ByteArray, EmptyArrayHasNoValidIndex) {
  ByteArray a(0);
  EXPECT_EQ(a.size(), 0);
  EXPECT_THROW(a.at(0), RuntimeError);
  const ByteArray negative(-5);
  EXPECT_EQ(negative.size(), 0);
}

}  // namespace
}  // namespace tervane
