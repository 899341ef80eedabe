// The default GUI font at a DPI.
#include "app/win32/gui_font.h"

namespace tervane {

HFONT GuiFontMaker::Make(int dpi) const {
  LOGFONTA font = {};
  if (GetObjectA(Stock(), sizeof font, &font) != sizeof font) return nullptr;
  const int heightAt96 = MulDiv(font.lfHeight, USER_DEFAULT_SCREEN_DPI, systemDpi_);
  font.lfHeight = MulDiv(heightAt96, dpi, USER_DEFAULT_SCREEN_DPI);
  font.lfWidth = 0;
  return CreateFontIndirectA(&font);
}

}  // namespace tervane
