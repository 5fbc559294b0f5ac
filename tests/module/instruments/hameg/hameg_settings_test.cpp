// The HM408 settings text: where it lies in the dump, the bounds of each key search, and the
// number reader with its multipliers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instruments/hameg/hameg_settings.h"

namespace {

using hameg::ScratchBuffer;

std::vector<uint8_t> DumpWithText(std::string_view text) {
  std::vector<uint8_t> dump(hameg::kSettingsStart, 0);
  dump.insert(dump.end(), text.begin(), text.end());
  return dump;
}

TEST(HamegSettings, TextRunsFromItsStartToTheFirstNulOrTheBytesReceived) {
  const std::vector<uint8_t> dump = DumpWithText(std::string("CH1:5mV\0TB:1ms", 14));
  EXPECT_EQ(hameg::SettingsText(dump, dump.size()), "CH1:5mV");
  EXPECT_EQ(hameg::SettingsText(dump, hameg::kSettingsStart + 3), "CH1");
  EXPECT_EQ(hameg::SettingsText(dump, hameg::kSettingsStart), "");
  EXPECT_EQ(hameg::SettingsText(dump, 4096), "");
  EXPECT_EQ(hameg::SettingsText(dump, 100000), "CH1:5mV") << "a count beyond the buffer";
}

TEST(HamegSettings, ModeKeysCountOnlyWhollyWithinTheFirst49Characters) {
  struct Row {
    std::string_view key;
    size_t at;
    bool xy;
  };
  for (const Row& row : {Row{"XY-MODE", 42, true}, Row{"XY-MODE", 43, false}, Row{"EXT", 46, true},
                         Row{"EXT", 47, false}, Row{"RANGE", 44, true}, Row{"RANGE", 45, false},
                         Row{"NEXTTRIG", 0, true}}) {
    const std::string settings = std::string(row.at, '.') + std::string(row.key) + " CH1:1V";
    ScratchBuffer scratch;
    scratch.fill('X');
    EXPECT_EQ(hameg::ReadXYMode(settings, scratch), row.xy) << row.key << " at " << row.at;
    EXPECT_EQ(scratch[49], '\0');
  }
}

TEST(HamegSettings, KeySearchTakesTheFirstOccurrenceAndItsOffset) {
  ScratchBuffer scratch{};
  EXPECT_DOUBLE_EQ(*hameg::ReadSetting("XCH1=2V CH1:5V", hameg::kChannel1Key, scratch), 2.0);
  EXPECT_DOUBLE_EQ(*hameg::ReadSetting("STB:1ms", hameg::kTimeBaseKey, scratch), 1e-3);
  EXPECT_EQ(hameg::ReadSetting("CH1:5V", hameg::kChannel2Key, scratch), std::nullopt);
  EXPECT_EQ(hameg::ReadSetting("ch1:5V", hameg::kChannel1Key, scratch), std::nullopt);
  EXPECT_DOUBLE_EQ(*hameg::ReadSetting("xCH1", hameg::kChannel1Key, scratch), 0.0)
      << "a key at the very end has no number";
}

TEST(HamegSettings, NumberIsReadFromAtMost12Characters) {
  ScratchBuffer scratch;
  scratch.fill('7');
  EXPECT_DOUBLE_EQ(*hameg::ReadSetting("CH1:000000000005mV", hameg::kChannel1Key, scratch), 5.0);
  EXPECT_EQ(std::string_view(scratch.data()), "000000000005") << "cleared before the copy";
}

TEST(HamegSettings, MultiplierFollowsNumber) {
  struct Row {
    std::string_view text;
    double value;
  };
  for (const Row& row :
       {Row{"5mV", 5e-3}, Row{"5uV", 5e-6}, Row{"5ns", 5e-9}, Row{"5V", 5.0}, Row{"5", 5.0},
        Row{"5 mV", 5.0}, Row{" \t2.5e-1ms", 2.5e-4}, Row{"-2m", -2e-3}, Row{"+.5u", 5e-7},
        Row{"1e3m", 1.0}, Row{"1em", 1.0}, Row{"0x10", 0.0}, Row{"mV", 0.0}, Row{"abc", 0.0},
        Row{"", 0.0}, Row{"-", 0.0}, Row{"1e999", 0.0}}) {
    EXPECT_DOUBLE_EQ(hameg::ReadNumber(row.text), row.value) << '"' << row.text << '"';
  }
}

}  // namespace
