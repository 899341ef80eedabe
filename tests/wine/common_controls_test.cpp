// comctl32 as the program loads it, in each way the loader has, under Wine: which file it loads
// and whether the buttons then take the visual style. This program carries tervane.exe's manifest.
#include <windows.h>
// After windows.h, which it needs.
#include <uxtheme.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32/common_controls.h"
#include "folders.h"

namespace tervane {
namespace {

struct LoaderCase {
  const char* name;
  LoaderFeatures features;
  bool version6;  // else the system folder's comctl32
};

// The branches of LoadSideBySideLibrary, each forced by pretending to be a
// Windows that has only some of the loader's features, and the features Wine has.
const LoaderCase kCases[] = {
    {"ActivationContext", {false, true, true}, true},  // XP, and Vista and 7 without KB2533623
    {"SearchFlags", {true, false, true}, true},
    {"FullPath", {false, false, true}, false},         // NT 4.0 and 2000, which have no comctl32 6
    {"FullPathInAnsi", {false, false, false}, false},  // the 95 family, which has none either
    {"ThisSystem", LoaderFeatures::OfThisSystem(), true},
};

std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string FileOf(HMODULE module) {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  return Lower(path);
}

class CommonControls : public ::testing::TestWithParam<LoaderCase> {};

TEST_P(CommonControls, LoadsVersion6WhereTheActivationContextReachesIt) {
  const LoaderCase& c = GetParam();
  HMODULE comctl32 = InitCommonControlsAtRunTime(c.features);
  ASSERT_NE(comctl32, nullptr);
  const std::string file = FileOf(comctl32);
  if (!c.version6) {
    EXPECT_EQ(file, Lower(test::SystemFolder() + "comctl32.dll"));
    return;
  }
  EXPECT_NE(file.find("\\winsxs\\"), std::string::npos) << file;
  // Wine's comctl32 6 reports version 5.81 from DllGetVersion; its folder names 6.
  EXPECT_NE(file.find("common-controls_6595b64144ccf1df_6."), std::string::npos) << file;
  HWND button = CreateWindowExA(0, "BUTTON", "Refresh", WS_POPUP | BS_PUSHBUTTON, 0, 0, 73, 25,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_NE(GetWindowTheme(button), nullptr) << "the button has no visual style";
  DestroyWindow(button);
}

INSTANTIATE_TEST_SUITE_P(Loader, CommonControls, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tervane
