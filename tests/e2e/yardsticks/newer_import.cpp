// A program that imports one function newer than Windows 95 and NT 4.0, for the import audit to
// refuse.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Windows XP SP1 brought SetDllDirectoryA; tervane.exe looks it up at run time instead.
  return SetDllDirectoryA("") ? 0 : 1;
}
