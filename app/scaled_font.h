// The window's font for a DPI: the system's own at the system DPI, otherwise one made for that DPI.
#pragma once

#include <utility>

namespace tervane {

// FontMaker supplies, for its handle type Handle:
//   Handle Stock() const      the system's font, made for StockDpi(), never destroyed
//   int StockDpi() const
//   Handle Make(int dpi)      a font for another DPI, or Handle() when it cannot be made
//   void Destroy(Handle)      frees a font Make made
// A font is made once per change of DPI and destroyed when it is replaced and
// when the ScaledFont ends, so changes back and forth leave none behind.
template <typename FontMaker>
class ScaledFont {
 public:
  using Handle = typename FontMaker::Handle;

  explicit ScaledFont(FontMaker maker) : maker_(std::move(maker)) {}
  ~ScaledFont() { DestroyOwned(); }
  ScaledFont(const ScaledFont&) = delete;
  ScaledFont& operator=(const ScaledFont&) = delete;

  // Makes the font for dpi the current one and hands it to use (which puts it
  // into the controls) before the font it replaces is destroyed. At the DPI
  // it already has nothing is made, but use still runs. A font that cannot be
  // made falls back to the stock one.
  template <typename Use>
  void SwitchTo(int dpi, Use use) {
    if (dpi == dpi_ && font_ != Handle()) {
      use(font_);
      return;
    }
    Handle next = dpi == maker_.StockDpi() ? Handle() : maker_.Make(dpi);
    const bool owned = next != Handle();
    if (!owned) next = maker_.Stock();
    use(next);
    DestroyOwned();
    font_ = next;
    owned_ = owned;
    dpi_ = dpi;
  }

 private:
  void DestroyOwned() {
    if (owned_) maker_.Destroy(font_);
    owned_ = false;
  }

  FontMaker maker_;
  Handle font_ = Handle();
  bool owned_ = false;
  int dpi_ = 0;
};

}  // namespace tervane
