// The window's stored geometry in pixels at common screen resolutions.
#include "app/frmMain_layout.h"

#include <gtest/gtest.h>

namespace tervane {
namespace {

struct Conversion {
  int twips;
  int dpi;
  int pixels;
};

class TwipsToPixelsTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(TwipsToPixelsTest, RoundsToTheNearestPixel) {
  EXPECT_EQ(TwipsToPixels(GetParam().twips, GetParam().dpi), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(Values, TwipsToPixelsTest,
                         ::testing::Values(Conversion{15, 96, 1}, Conversion{5475, 96, 365},
                                           Conversion{690, 96, 46}, Conversion{7, 96, 0},
                                           Conversion{8, 96, 1},      // 7.5 twips make half a pixel
                                           Conversion{690, 120, 58},  // 57.5
                                           Conversion{1095, 120, 91},  // 91.25
                                           Conversion{5475, 120, 456}, Conversion{5475, 168, 639},
                                           Conversion{0, 120, 0}, Conversion{-15, 96, -1},
                                           Conversion{2000000000, 96, 133333333}));

struct Placement {
  const char* name;
  TwipsRect twips;
  PixelRect at96;
  PixelRect at120;
};

class PlacementTest : public ::testing::TestWithParam<Placement> {};

void ExpectRect(const PixelRect& actual, const PixelRect& expected) {
  EXPECT_EQ(actual.left, expected.left);
  EXPECT_EQ(actual.top, expected.top);
  EXPECT_EQ(actual.width, expected.width);
  EXPECT_EQ(actual.height, expected.height);
}

TEST_P(PlacementTest, MatchesThePixelsOfTheDesign) {
  ExpectRect(ToPixels(GetParam().twips, 96, 96), GetParam().at96);
  ExpectRect(ToPixels(GetParam().twips, 120, 120), GetParam().at120);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, PlacementTest,
    ::testing::Values(
        Placement{"cmdRefresh", layout::kCmdRefresh, {184, 8, 73, 25}, {230, 10, 91, 31}},
        Placement{"cmdQuit", layout::kCmdQuit, {272, 8, 73, 25}, {340, 10, 91, 31}},
        Placement{"Label1", layout::kLabel1, {8, 16, 49, 13}, {10, 20, 61, 16}}),
    [](const ::testing::TestParamInfo<Placement>& info) { return info.param.name; });

TEST(LayoutTest, ButtonsStandSideBySideRightOfTheLabel) {
  const PixelRect refresh = ToPixels(layout::kCmdRefresh, 96, 96);
  const PixelRect quit = ToPixels(layout::kCmdQuit, 96, 96);
  const PixelRect label = ToPixels(layout::kLabel1, 96, 96);
  EXPECT_EQ(refresh.left - label.left, 176);
  EXPECT_LT(refresh.left + refresh.width, quit.left);
  EXPECT_LE(quit.left + quit.width, TwipsToPixels(layout::kClientWidth, 96));
}

}  // namespace
}  // namespace tervane
