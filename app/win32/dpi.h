// Dots per inch of the screen and of a window, on every Windows from 95 on.
#pragma once

#include <windows.h>

namespace tervane {

// The system DPI, for which Windows made its stock fonts: the screen's LOGPIXELSY.
int SystemDpi();

// The DPI of the monitor the window is on, where Windows tells it
// (GetDpiForWindow, Windows 10 1607 and later, looked up at run time);
// elsewhere the system DPI.
int WindowDpi(HWND window);

// The frame for a client area of the given size at dpi: AdjustWindowRectExForDpi
// where Windows has it (Windows 10 1607 and later, looked up at run time),
// elsewhere AdjustWindowRectEx, which measures at the system DPI. False when
// neither can.
bool FrameForClient(int width, int height, DWORD style, DWORD exStyle, int dpi, RECT& frame);

}  // namespace tervane
