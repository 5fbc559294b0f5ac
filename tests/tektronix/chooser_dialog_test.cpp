// The chooser dialog driven through the console seam, and the platform pieces it stands on:
// the list-box messages, the modal loop's keys and the framework's exceptions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_name.h"
#include "instruments/tektronix_scan/device_chooser_dialog.h"
#include "platform/exceptions.h"
#include "platform/list_box.h"
#include "scripted_console.h"

namespace {

using testing_support::NoConsole;
using testing_support::ScriptedKeys;

struct Outcome {
  INT_PTR result;
  int chosen;
};

// A chooser with lines for the given addresses, run with the given keys.
Outcome RunChooser(const std::vector<int>& addresses, std::vector<std::string> keys,
                   std::vector<std::vector<std::string>>* screens = nullptr) {
  ScriptedKeys scripted(std::move(keys));
  DeviceChooserDialog chooser(nullptr);
  for (const int address : addresses) chooser.AddEntry("TEKTRONIX", address);
  const INT_PTR result = chooser.DoModal();
  if (screens != nullptr) *screens = scripted.screens;
  return {result, chooser.m_chosenAddress};
}

bool Shows(const std::vector<std::string>& screen, const std::string& text) {
  for (const std::string& line : screen)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

TEST(DeviceChooser, LabelsEntriesWithNameAndAddress) {
  DeviceChooserDialog chooser(nullptr);
  chooser.AddEntry("TEKTRONIX", 5);
  chooser.AddEntry("ACME", 30);
  ASSERT_EQ(chooser.m_entries.GetSize(), 2);
  const auto* second = static_cast<const DeviceEntry*>(chooser.m_entries[1]);
  EXPECT_STREQ(
      static_cast<const char*>(static_cast<const DeviceEntry*>(chooser.m_entries[0])->label),
      "TEKTRONIX-[DEV5]");
  EXPECT_STREQ(static_cast<const char*>(second->label), "ACME-[DEV30]");
  EXPECT_EQ(second->address, 30);
  EXPECT_EQ(chooser.m_chosenAddress, -1);
}

TEST(DeviceChooser, DrawsTheTemplateWithLinesInTheOrderAdded) {
  std::vector<std::vector<std::string>> screens;
  RunChooser({4, 9, 17}, {"\r"}, &screens);
  ASSERT_FALSE(screens.empty());
  const std::vector<std::string>& screen = screens.front();
  EXPECT_NE(screen.front().find("Choose device"), std::string::npos);
  EXPECT_TRUE(Shows(screen, "[ OK ]"));
  EXPECT_TRUE(Shows(screen, "[ Cancel ]"));
  // Sorting by text would put DEV17 first; the lines keep the order they were added in.
  std::vector<std::string> lines;
  for (const std::string& line : screen) {
    const size_t at = line.find("TEKTRONIX-");
    if (at != std::string::npos) lines.push_back(line.substr(at - 4, 21));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"> 1 TEKTRONIX-[DEV4] ", "  2 TEKTRONIX-[DEV9] ",
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
    ::testing::Values(KeysCase{"EnterTakesTheFirstLine", {"\r"}, IDOK, 4},
                      KeysCase{"LineFeedIsEnterToo", {"\n"}, IDOK, 4},
                      KeysCase{"DownThenEnter", {"\x1b[B", "\r"}, IDOK, 9},
                      KeysCase{"DownInApplicationMode", {"\x1bOB", "\r"}, IDOK, 9},
                      KeysCase{
                          "DownStopsAtTheLastLine", {"\x1b[B\x1b[B\x1b[B\x1b[B", "\r"}, IDOK, 17},
                      KeysCase{"UpStopsAtTheFirstLine", {"\x1b[B", "\x1b[A\x1b[A", "\r"}, IDOK, 4},
                      KeysCase{"LineNumber", {"3", "\r"}, IDOK, 17},
                      KeysCase{"NumberOfNoLineMovesNothing", {"2", "7", "\r"}, IDOK, 9},
                      KeysCase{"OtherKeysAreIgnored", {"x", "\x1b[C", "\x1b[1;5D", "\r"}, IDOK, 4},
                      KeysCase{"LoneEscapeCancels", {"\x1b[B", "\x1b"}, IDCANCEL, -1},
                      KeysCase{"CtrlCCancels", {"\x03"}, IDCANCEL, -1},
                      KeysCase{"ClosedConsoleCancels", {"\x1b[B"}, IDCANCEL, -1}),
    testing_support::CaseName());

TEST(DeviceChooser, DigitsAddUpToALineNumberWhileItNamesALine) {
  std::vector<int> twelve;
  for (int address = 1; address <= 12; ++address) twelve.push_back(address + 10);
  EXPECT_EQ(RunChooser(twelve, {"1", "2", "\r"}).chosen, 22);
  EXPECT_EQ(RunChooser(twelve, {"1", "3", "\r"}).chosen, 13);  // 13 is no line: "3" starts anew
  EXPECT_EQ(RunChooser(twelve, {"1", "\x1b[B", "2", "\r"}).chosen, 12);
}

TEST(DeviceChooser, ScrollsToKeepTheSelectionInSight) {
  std::vector<int> many;
  for (int address = 1; address <= 15; ++address) many.push_back(address);
  std::vector<std::vector<std::string>> screens;
  EXPECT_EQ(RunChooser(many, {"1", "5", "\r"}, &screens).chosen, 15);
  ASSERT_GE(screens.size(), 3u);
  EXPECT_FALSE(Shows(screens.front(), "TEKTRONIX-[DEV15]"));
  EXPECT_TRUE(Shows(screens.back(), ">15 TEKTRONIX-[DEV15]"));
}

TEST(DeviceChooser, WithoutAConsoleEndsAsIfClosed) {
  NoConsole noConsole;
  DeviceChooserDialog chooser(nullptr);
  chooser.AddEntry("TEKTRONIX", 4);
  chooser.AddEntry("TEKTRONIX", 9);
  EXPECT_EQ(chooser.DoModal(), IDCANCEL);
  EXPECT_EQ(chooser.m_chosenAddress, -1);
}

TEST(DeviceChooser, TheWindowAndItsControlGoWhenTheDialogEnds) {
  ScriptedKeys keys({"\r"});
  DeviceChooserDialog chooser(nullptr);
  chooser.AddEntry("TEKTRONIX", 4);
  chooser.DoModal();
  EXPECT_EQ(chooser.m_hWnd, nullptr);
  EXPECT_EQ(chooser.m_listBox.m_hWnd, nullptr);
}

class UnknownTemplateDialog : public CDialog {
 public:
  UnknownTemplateDialog() : CDialog(4242) {}
};

TEST(Dialog, WithoutItsTemplateDoesNotRun) {
  ScriptedKeys keys({"\r"});
  UnknownTemplateDialog dialog;
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(keys.opened, 0);
}

TEST(ListBox, AnswersTheListBoxMessagesAsWin32Does) {
  ListBoxControl control;
  CListBox list;
  list.m_hWnd = control.Handle();

  EXPECT_EQ(list.GetCurSel(), LB_ERR);
  EXPECT_EQ(list.InsertString(0, "b"), 0);
  EXPECT_EQ(list.InsertString(-1, "c"), 1);
  EXPECT_EQ(list.InsertString(0, "a"), 0);
  EXPECT_EQ(list.InsertString(4, "beyond"), LB_ERR);
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(control.Text(0), "a");
  EXPECT_EQ(control.Text(2), "c");

  EXPECT_EQ(list.SetItemData(2, 17), 0);
  EXPECT_EQ(list.GetItemData(2), 17u);
  EXPECT_EQ(list.SetItemData(3, 1), LB_ERR);
  EXPECT_EQ(static_cast<int>(list.GetItemData(3)), LB_ERR);

  EXPECT_EQ(list.SetCurSel(1), 1);
  EXPECT_EQ(list.InsertString(0, "first"), 0);
  EXPECT_EQ(list.GetCurSel(), 2);  // the selected line moved down with its text
  EXPECT_EQ(list.SetCurSel(-1), LB_ERR);
  EXPECT_EQ(list.GetCurSel(), LB_ERR);
}

TEST(FrameworkExceptions, UserExceptionsAreHeapObjectsTheHandlerDeletes) {
  CException* caught = nullptr;
  try {
    AfxThrowUserException();
  } catch (CException* exception) {
    caught = exception;
  }
  ASSERT_NE(dynamic_cast<CUserException*>(caught), nullptr);
  caught->Delete();  // the leak checker sees it freed
}

TEST(FrameworkExceptions, TheMemoryExceptionIsOneStaticObject) {
  CException* first = nullptr;
  CException* second = nullptr;
  try {
    AfxThrowMemoryException();
  } catch (CException* exception) {
    first = exception;
    exception->Delete();
  }
  try {
    AfxThrowMemoryException();
  } catch (CException* exception) {
    second = exception;
    exception->Delete();
  }
  EXPECT_NE(dynamic_cast<CMemoryException*>(first), nullptr);
  EXPECT_EQ(first, second);
}

}  // namespace
