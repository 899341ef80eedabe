// Twips to pixels.
#include "app/frmMain_layout.h"

#include <cstdint>

namespace tervane {

int TwipsToPixels(int twips, int dpi) {
  // 64-bit, so no product of a twips value and a resolution can overflow.
  const std::int64_t scaled = static_cast<std::int64_t>(twips) * dpi;
  const std::int64_t half = layout::kTwipsPerInch / 2;
  const std::int64_t rounded = scaled >= 0 ? (scaled + half) / layout::kTwipsPerInch
                                           : -((-scaled + half) / layout::kTwipsPerInch);
  return static_cast<int>(rounded);
}

PixelRect ToPixels(const TwipsRect& rect, int dpiX, int dpiY) {
  return {TwipsToPixels(rect.left, dpiX), TwipsToPixels(rect.top, dpiY),
          TwipsToPixels(rect.width, dpiX), TwipsToPixels(rect.height, dpiY)};
}

}  // namespace tervane
