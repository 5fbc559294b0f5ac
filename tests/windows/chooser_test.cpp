// The chooser as a real dialog under Wine: a second thread plays the user, finds the window
// "Choose device", reads its lines, and answers. Run with GPIBSIM_BENCH naming a bench with two
// TDS540s (TEKTRONIX-[DEV3] with 500 points, TEKTRONIX-[DEV11] with 1000) and a display.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "module_host.h"

namespace {

using namespace windows_tests;

// The chooser once the dialog manager shows it, initialised; null after 20 s without one.
HWND WaitForDialog() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    const HWND dialog = FindWindowA(nullptr, "Choose device");
    if (dialog != nullptr && IsWindowVisible(dialog)) return dialog;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

struct Shown {
  std::vector<std::string> lines;
  int selected = -1;
};

Shown ReadList(HWND list) {
  Shown shown;
  const auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[64] = {};
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    shown.lines.emplace_back(text);
  }
  shown.selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
  return shown;
}

struct ChooserCase {
  const char* name;
  std::function<void(HWND dialog, HWND list)> answer;
  int32_t result;
  int32_t points;  // of the instrument chosen; untouched (-1) when none is
};

class Chooser : public testing::TestWithParam<ChooserCase> {};

TEST_P(Chooser, TheUserAnswersTheRealDialog) {
  if (std::getenv("GPIBSIM_BENCH") == nullptr) GTEST_SKIP() << "no bench with two TDS540s";
  FindGpibLibraryIn(GPIBSIM_DIR);
  LoadedModule module;
  ASSERT_TRUE(module.loaded());
  ProgressBar progress;
  progress.SetPosition(5);

  Shown shown;
  bool found = false;
  std::thread user([&] {
    const HWND dialog = WaitForDialog();
    found = dialog != nullptr;
    if (!found) return;
    const HWND list = GetDlgItem(dialog, 1000);
    shown = ReadList(list);
    GetParam().answer(dialog, list);
  });
  const Acquisition acquisition = Acquire(module, 2, progress);
  user.join();

  ASSERT_TRUE(found);
  EXPECT_EQ(shown.lines, (std::vector<std::string>{"TEKTRONIX-[DEV3]", "TEKTRONIX-[DEV11]"}));
  EXPECT_EQ(shown.selected, 0);
  EXPECT_EQ(acquisition.result, GetParam().result);
  EXPECT_EQ(acquisition.points, GetParam().points);
  if (acquisition.result == 0) {
    EXPECT_EQ(progress.position(), 0) << "the bar is reset";
  }
  EXPECT_TRUE(Messages().empty());
}

// What a click on the button tells its dialog.
void Click(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Chooser,
    testing::Values(
        ChooserCase{"second_line_and_OK",
                    [](HWND dialog, HWND list) {
                      SendMessageA(list, LB_SETCURSEL, 1, 0);
                      Click(dialog, IDOK);
                    },
                    1, 1000},
        ChooserCase{"Cancel", [](HWND dialog, HWND) { Click(dialog, IDCANCEL); }, 0, -1},
        ChooserCase{"Escape", [](HWND, HWND list) { PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0); },
                    0, -1}),
    [](const testing::TestParamInfo<ChooserCase>& param) { return param.param.name; });

}  // namespace
