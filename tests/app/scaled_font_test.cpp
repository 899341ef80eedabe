// The window's font through changes of DPI: made once per DPI, destroyed when replaced and at the
// end.
#include "app/scaled_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace tervane {
namespace {

// Fonts are numbers: the stock font is 1, made fonts count up from 100.
struct Fonts {
  std::vector<int> made;  // the DPI of each font made
  std::set<int> alive;
  std::vector<int> destroyed;
  int next = 100;
  bool failing = false;
};

class FakeMaker {
 public:
  using Handle = int;
  static constexpr int kStock = 1;
  explicit FakeMaker(Fonts& fonts) : fonts_(&fonts) {}
  int Stock() const { return kStock; }
  int StockDpi() const { return 96; }
  int Make(int dpi) {
    if (fonts_->failing) return 0;
    fonts_->made.push_back(dpi);
    fonts_->alive.insert(fonts_->next);
    return fonts_->next++;
  }
  void Destroy(int font) {
    EXPECT_NE(font, kStock) << "the stock font is the system's";
    EXPECT_EQ(fonts_->alive.erase(font), 1u) << "destroyed twice, or never made: " << font;
    fonts_->destroyed.push_back(font);
  }

 private:
  Fonts* fonts_;
};

// Switches through the DPIs; returns the font in use after each switch.
std::vector<int> SwitchThrough(ScaledFont<FakeMaker>& font, const std::vector<int>& dpis) {
  std::vector<int> used;
  for (const int dpi : dpis) {
    int handed = 0;
    font.SwitchTo(dpi, [&](int f) { handed = f; });
    used.push_back(handed);
  }
  return used;
}

struct Sequence {
  const char* name;
  std::vector<int> dpis;
  std::vector<int> used;        // the font after each switch
  std::vector<int> made;        // DPIs of the fonts made
  std::vector<int> aliveAtEnd;  // before the ScaledFont ends
};

class ScaledFontTest : public ::testing::TestWithParam<Sequence> {};

TEST_P(ScaledFontTest, MakesOncePerChangeAndDestroysWhatItReplaces) {
  Fonts fonts;
  {
    ScaledFont<FakeMaker> font{FakeMaker(fonts)};
    EXPECT_EQ(SwitchThrough(font, GetParam().dpis), GetParam().used);
    EXPECT_EQ(fonts.made, GetParam().made);
    EXPECT_EQ(std::vector<int>(fonts.alive.begin(), fonts.alive.end()), GetParam().aliveAtEnd);
  }
  EXPECT_TRUE(fonts.alive.empty()) << "a font outlived the window";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ScaledFontTest,
    ::testing::Values(Sequence{"SystemDpiOnly", {96}, {1}, {}, {}},
                      Sequence{"ToTwoHundredFiftyPercentAndBack",
                               {96, 240, 168, 96},
                               {1, 100, 101, 1},
                               {240, 168},
                               {}},
                      Sequence{
                          "SameDpiTwiceMakesNothing", {96, 240, 240}, {1, 100, 100}, {240}, {100}},
                      Sequence{"ManyRoundTrips",
                               {96, 240, 96, 240, 96, 240, 96},
                               {1, 100, 1, 101, 1, 102, 1},
                               {240, 240, 240},
                               {}},
                      Sequence{"OpensAtAnotherDpi", {168, 120}, {100, 101}, {168, 120}, {101}}),
    [](const ::testing::TestParamInfo<Sequence>& info) { return info.param.name; });

// The controls get the new font before the old one goes.
TEST(ScaledFontOrder, TheNewFontIsInUseBeforeTheOldIsDestroyed) {
  Fonts fonts;
  ScaledFont<FakeMaker> font{FakeMaker(fonts)};
  font.SwitchTo(240, [](int) {});
  font.SwitchTo(168, [&](int next) {
    EXPECT_EQ(next, 101);
    EXPECT_TRUE(fonts.destroyed.empty()) << "the font still in the controls was destroyed";
  });
  EXPECT_EQ(fonts.destroyed, std::vector<int>{100});
}

TEST(ScaledFontFailure, AFontThatCannotBeMadeFallsBackToTheStockOne) {
  Fonts fonts;
  fonts.failing = true;
  {
    ScaledFont<FakeMaker> font{FakeMaker(fonts)};
    EXPECT_EQ(SwitchThrough(font, {240}), std::vector<int>{FakeMaker::kStock});
    fonts.failing = false;
    EXPECT_EQ(SwitchThrough(font, {168}), std::vector<int>{100});
  }
  EXPECT_TRUE(fonts.alive.empty());
  EXPECT_EQ(fonts.destroyed, std::vector<int>{100});
}

}  // namespace
}  // namespace tervane
