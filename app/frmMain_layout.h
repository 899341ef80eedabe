// The main window's stored properties: its title, its geometry in twips and their pixels at a DPI.
#pragma once

namespace tervane {

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

struct PixelRect {
  int left;
  int top;
  int width;
  int height;
};

namespace layout {

constexpr char kTitle[] = "Tervane";
// The label's text until the first scan replaces it; its stored size is this text's.
constexpr char kInitialCaption[] = "COM Port:";

constexpr int kTwipsPerInch = 1440;

constexpr int kClientWidth = 5475;
constexpr int kClientHeight = 690;

// In the order the window creates them.
constexpr TwipsRect kCmdQuit = {4080, 120, 1095, 375};
constexpr TwipsRect kCmdRefresh = {2760, 120, 1095, 375};
constexpr TwipsRect kLabel1 = {120, 240, 735, 195};

}  // namespace layout

// Twips to pixels at dpi dots per inch, to the nearest pixel with halves
// rounded away from zero, as MulDiv rounds (15 twips a pixel at 96 dpi, 12 at 120).
int TwipsToPixels(int twips, int dpi);

PixelRect ToPixels(const TwipsRect& rect, int dpiX, int dpiY);

}  // namespace tervane
