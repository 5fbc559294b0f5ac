// The chooser dialog driven through the console seam: what it draws, how the modal loop reads
// keys, and how it ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instruments/tektronix_scan/device_chooser_dialog.h"
#include "support/case_name.h"
#include "support/scripted_console.h"

namespace {

using namespace testing_support;

struct Outcome {
  INT_PTR result;
  int chosen;
  std::vector<std::vector<std::string>> screens;
};

// A chooser with lines for the given addresses, run with the given keys.
Outcome RunChooser(const std::vector<int>& addresses, std::vector<std::string> keys) {
  ScriptedKeys scripted(std::move(keys));
  DeviceChooserDialog chooser(nullptr);
  for (const int address : addresses) chooser.AddEntry("TEKTRONIX", address);
  const INT_PTR result = chooser.DoModal();
  EXPECT_EQ(chooser.m_hWnd, nullptr);  // the window and its control are gone
  EXPECT_EQ(chooser.m_listBox.m_hWnd, nullptr);
  return {result, chooser.m_chosenAddress, scripted.screens};
}

std::vector<std::string> ListLines(const std::vector<std::string>& screen) {
  std::vector<std::string> lines;
  for (const std::string& line : screen)
    if (const size_t at = line.find("TEKTRONIX-"); at != std::string::npos)
      lines.push_back(line.substr(at - 4, line.find(']', at) - at + 5));
  return lines;
}

TEST(DeviceChooser, DrawsItsTemplateWithTheLinesInTheOrderAdded) {
  const Outcome outcome = RunChooser({4, 9, 17}, {"\r"});
  ASSERT_EQ(outcome.screens.size(), 1u);
  const std::vector<std::string>& screen = outcome.screens.front();
  EXPECT_NE(screen.front().find("Choose device"), std::string::npos);
  std::string shown;
  for (const std::string& line : screen) shown += line;
  EXPECT_NE(shown.find("[ OK ]"), std::string::npos);
  EXPECT_NE(shown.find("[ Cancel ]"), std::string::npos);
  // Sorted by text DEV17 would come first; the lines keep the order they were added in.
  EXPECT_EQ(ListLines(screen),
            (std::vector<std::string>{"> 1 TEKTRONIX-[DEV4]", "  2 TEKTRONIX-[DEV9]",
                                      "  3 TEKTRONIX-[DEV17]"}));
}

struct KeysCase {
  const char* name;
  std::vector<std::string> keys;
  INT_PTR result;
  int chosen;
};

class ChooserKeys : public ::testing::TestWithParam<KeysCase> {};

TEST_P(ChooserKeys, EndTheDialogAsTheUserMeant) {
  const Outcome outcome = RunChooser({4, 9, 17}, GetParam().keys);
  EXPECT_EQ(outcome.result, GetParam().result);
  EXPECT_EQ(outcome.chosen, GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ChooserKeys,
    ::testing::Values(KeysCase{"Enter", {"\r"}, IDOK, 4},
                      KeysCase{"DownThenLineFeed", {"\x1b[B", "\n"}, IDOK, 9},
                      KeysCase{"DownInApplicationMode", {"\x1bOB", "\r"}, IDOK, 9},
                      KeysCase{"StopsAtTheLastLine", {"\x1b[B\x1b[B\x1b[B\x1b[B", "\r"}, IDOK, 17},
                      KeysCase{"StopsAtTheFirstLine", {"\x1b[B", "\x1b[A\x1b[A", "\r"}, IDOK, 4},
                      KeysCase{"LineNumber", {"3", "\r"}, IDOK, 17},
                      KeysCase{"OtherKeysIgnored", {"2", "7", "x", "\x1b[1;5D", "\r"}, IDOK, 9},
                      KeysCase{"LoneEscape", {"\x1b[B", "\x1b"}, IDCANCEL, -1},
                      KeysCase{"CtrlC", {"\x03"}, IDCANCEL, -1},
                      KeysCase{"ConsoleClosed", {"\x1b[B"}, IDCANCEL, -1}),
    kCaseName);

TEST(DeviceChooser, DigitsAddUpToALineNumberAndTheViewFollowsTheSelection) {
  std::vector<int> fifteen;
  for (int address = 11; address <= 25; ++address) fifteen.push_back(address);
  EXPECT_EQ(RunChooser(fifteen, {"1", "6", "\r"}).chosen, 16);  // 16 is no line: "6" anew

  const Outcome outcome = RunChooser(fifteen, {"1", "5", "\r"});
  EXPECT_EQ(outcome.chosen, 25);
  EXPECT_EQ(ListLines(outcome.screens.front()).size(), 10u);  // the list box shows ten lines
  EXPECT_EQ(ListLines(outcome.screens.back()).back(), ">15 TEKTRONIX-[DEV25]");
}

TEST(DeviceChooser, WithoutAConsoleEndsAsIfClosed) {
  NoConsole noConsole;
  DeviceChooserDialog chooser(nullptr);
  chooser.AddEntry("TEKTRONIX", 4);
  EXPECT_EQ(chooser.DoModal(), IDCANCEL);
  EXPECT_EQ(chooser.m_chosenAddress, -1);
}

TEST(Dialog, WithoutItsTemplateDoesNotRun) {
  struct UnknownTemplate : CDialog {
    UnknownTemplate() : CDialog(4242) {}
  } dialog;
  ScriptedKeys keys({"\r"});
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(keys.opened, 0);
}

}  // namespace
