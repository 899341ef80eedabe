// The default GUI font made for a DPI, for ScaledFont.
#pragma once

#include <windows.h>

namespace tervane {

// DEFAULT_GUI_FONT is made for the system DPI. For another DPI its height is
// taken back to 96 DPI and scaled from there, so the same DPI gives the same
// font whatever the system DPI (scaling the height of the font at 150 % straight
// to 200 % would give -23, where Windows' own font at 200 % is -22).
class GuiFontMaker {
 public:
  using Handle = HFONT;

  explicit GuiFontMaker(int systemDpi) : systemDpi_(systemDpi) {}

  HFONT Stock() const { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }
  int StockDpi() const { return systemDpi_; }
  // nullptr when the font cannot be made.
  HFONT Make(int dpi) const;
  void Destroy(HFONT font) const { DeleteObject(font); }

 private:
  int systemDpi_;
};

}  // namespace tervane
