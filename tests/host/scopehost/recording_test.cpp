// scopehost --trace and --replay: an acquisition of each device type recorded through the
// simulated library and through the linux-gpib bridge replays, with neither, to the same data
// rows, as one made by a host that only sets the environment; an edited reply replays to the edited
// value; a recording missing a call or with an edited write stops at that call with one line; a
// bad recording is refused with its file and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "output_readers.h"
#include "support/recording_runs.h"

namespace hosttest {
namespace {

constexpr const char* kDevices[] = {"hameg1", "hameg2", "tektronix", "philips"};

std::string Hex(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (const char c : text) {
    hex += kDigits[static_cast<uint8_t>(c) >> 4];
    hex += kDigits[static_cast<uint8_t>(c) & 0xF];
  }
  return hex;
}

std::vector<std::string> Lines(const std::filesystem::path& path) {
  std::istringstream text(ReadText(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

void WriteLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  std::ofstream file(path, std::ios::binary);
  for (const std::string& line : lines) file << line << "\n";
}

TEST(Recording, EveryDeviceTypeReplaysToTheRecordedRowsWithoutTheLibrary) {
  const ScratchDirectory scratch;
  const std::filesystem::path bench = UnpacedDefaultBench(scratch.path());
  const struct {
    const char* label;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
  } libraries[] = {
      {"sim", {"--sim", bench.string()}, {}},
      {"linux-gpib",
       {"--gpib", "linux-gpib"},
       {{"LD_LIBRARY_PATH", LINUX_GPIB_STANDIN_DIR}, {"GPIBSIM_BENCH", bench.string()}}},
  };
  for (const auto& library : libraries) {
    for (const char* device : kDevices) {
      const std::string label = std::string(library.label) + " " + device;
      const RecordedAndReplayed run = RecordThenReplay(scratch, device, library.arguments,
                                                       library.environment, scratch / "run.rec");
      EXPECT_EQ(ReplayFault(run), "") << label;
    }
  }
}

// As a simulation host does: the module alone, finding the recorder or the replay as its
// libgpib-32.so and releasing it after each of its calls (the Philips is asked twice).
TEST(Recording, AHostLoadingOnlyTheModuleRecordsAndReplaysThroughTheEnvironment) {
  const ScratchDirectory scratch;
  const std::string recording = (scratch / "env.rec").string();
  const RunResult recorded =
      RunScopehost({"acquire", "philips", "--csv", scratch / "recorded.csv"},
                   {{"LD_LIBRARY_PATH", GPIB_RECORDER_DIR},
                    {"GPIBSCOPE_TRACE", recording},
                    {"GPIBSCOPE_TRACE_GPIB", GPIBSIM_LIBRARY_PATH},
                    {"GPIBSIM_BENCH", UnpacedDefaultBench(scratch.path()).string()}});
  ASSERT_EQ(recorded.status, 0) << recorded.err;
  const RunResult replayed =
      RunScopehost({"acquire", "philips", "--csv", scratch / "replayed.csv"},
                   {{"LD_LIBRARY_PATH", GPIB_REPLAY_DIR}, {"GPIBSCOPE_REPLAY", recording}});
  ASSERT_EQ(replayed.status, 0) << replayed.err;
  EXPECT_TRUE(CsvDataRows(scratch / "recorded.csv") == CsvDataRows(scratch / "replayed.csv"));
}

TEST(Recording, AnEditedReplyReplaysToTheEditedValue) {
  const ScratchDirectory scratch;
  const std::filesystem::path bench = UnpacedDefaultBench(scratch.path());
  const std::filesystem::path recording = scratch / "tek.rec";
  const RecordedAndReplayed original =
      RecordThenReplay(scratch, "tektronix", {"--sim", bench.string()}, {}, recording);
  ASSERT_EQ(original.replay.status, 0) << original.replay.err;
  const CsvData recorded = ReadCsv(scratch / "recorded.csv");

  // Channel 1's volts per division, 0.5 as recorded, becomes 1.0: its samples double.
  std::vector<std::string> lines = Lines(recording);
  const std::string question = "w=" + Hex(std::string("CH1:VOL?\0", 9));
  const std::string answer = "r=" + Hex("5.000E-01\n");
  auto asked = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.find(question) != std::string::npos;
  });
  ASSERT_NE(asked, lines.end());
  ASSERT_NE(std::next(asked)->find(answer), std::string::npos) << *std::next(asked);
  std::next(asked)->replace(std::next(asked)->find(answer), answer.size(),
                            "r=" + Hex("1.000E+00\n"));
  WriteLines(recording, lines);

  const RunResult replay = RunScopehost(
      {"acquire", "tektronix", "--csv", (scratch / "edited.csv").string(), "--replay", recording});
  ASSERT_EQ(replay.status, 0) << replay.err;
  const CsvData edited = ReadCsv(scratch / "edited.csv");
  ASSERT_EQ(edited.columns.size(), recorded.columns.size());
  for (size_t k = 0; k < recorded.columns[1].size(); ++k) {
    ASSERT_DOUBLE_EQ(edited.columns[1][k], 2 * recorded.columns[1][k]) << "sample " << k;
  }
  EXPECT_EQ(edited.columns[2], recorded.columns[2]);
  EXPECT_NE(RunScopehost({"trace", recording}).out.find("read \"1.000E+00\\n\""),
            std::string::npos);
}

// The lines of a recording of the device on the unpaced default bench, which replays.
std::vector<std::string> RecordedLines(const ScratchDirectory& scratch, const char* device,
                                       const std::filesystem::path& recording) {
  const RecordedAndReplayed original = RecordThenReplay(
      scratch, device, {"--sim", UnpacedDefaultBench(scratch.path()).string()}, {}, recording);
  EXPECT_EQ(original.replay.status, 0) << original.replay.err;
  return Lines(recording);
}

// The replay of the edited recording fails, saying so once in a line that matches `told`,
// and writes no file.
void ExpectReplayEndsWithOneLine(const ScratchDirectory& scratch, const char* device,
                                 const std::filesystem::path& recording, const std::regex& told) {
  const RunResult replay =
      RunScopehost({"acquire", device, "--csv", scratch / "out.csv", "--replay", recording});
  EXPECT_EQ(replay.status, 1);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(replay.err, match, told)) << replay.err;
  EXPECT_EQ(replay.err.find("GPIB replay", match.position() + 1), std::string::npos)
      << "told more than once: " << replay.err;
  EXPECT_FALSE(std::filesystem::exists(scratch / "out.csv"));
}

TEST(Recording, ARemovedCallEndsTheReplayThereWithOneLine) {
  const ScratchDirectory scratch;
  const std::filesystem::path recording = scratch / "hameg.rec";
  std::vector<std::string> lines = RecordedLines(scratch, "hameg1", recording);
  ASSERT_GT(lines.size(), 6u);
  const std::string removed = lines[5];  // call 5, after the version line
  lines.erase(lines.begin() + 5);
  WriteLines(recording, lines);
  ExpectReplayEndsWithOneLine(
      scratch, "hameg1", recording,
      std::regex("GPIB replay: call 5: the recording expected [A-Za-z]+\\(.*\\), but came " +
                 removed.substr(2, removed.find(' ', 2) - 2) + "\\(.*\\)\n"));
}

// The same function with the same arguments is not the same call when it writes other bytes.
TEST(Recording, AnEditedWriteEndsTheReplayThereWithOneLine) {
  const ScratchDirectory scratch;
  const std::filesystem::path recording = scratch / "tek.rec";
  std::vector<std::string> lines = RecordedLines(scratch, "tektronix", recording);
  const std::string question = "w=" + Hex(std::string("CH1:VOL?\0", 9));
  auto asked = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.find(question) != std::string::npos;
  });
  ASSERT_NE(asked, lines.end());
  asked->replace(asked->find(question), question.size(), "w=" + Hex(std::string("CH2:VOL?\0", 9)));
  WriteLines(recording, lines);
  const std::string number = asked->substr(0, asked->find(' '));
  ExpectReplayEndsWithOneLine(
      scratch, "tektronix", recording,
      std::regex(
          "GPIB replay: call " + number +
          ": the recording expected Send\\(.*CH2:VOL.*\\), but came Send\\(.*CH1:VOL.*\\)\n"));
}

TEST(Recording, ABadRecordingIsRefusedWithItsFileAndLine) {
  const ScratchDirectory scratch;
  const struct {
    const char* text;  // null: no file at all
    const char* told;
  } cases[] = {
      {nullptr, ": cannot read the recording"},
      {"gpibscope-recording 2\n", ":1: recording version 2: this program reads version 1"},
      {"", ": the recording is empty"},
      {"gpibscope-recording 1\n1 SendIFC board=0 ibsta=0x0100", ":2: the recording ends inside"},
      {"gpibscope-recording 1\n1 ibrd ud=1 count=4 ret=0 ibsta=0 iberr=0 ibcntl=1 r=0G t=0 d=0\n",
       ":2: r holds a character not hex"},
      {"gpibscope-recording 1\n1 SendIFC board=0 ibsta=0x0100 iberr=0 ibcntl=0 t=0 d=0 x=1\n",
       ":2: SendIFC has no field x"},
  };
  for (const auto& c : cases) {
    const std::filesystem::path path = scratch / "bad.rec";
    std::filesystem::remove(path);
    if (c.text != nullptr) std::ofstream(path, std::ios::binary) << c.text;
    for (const char* command : {"acquire", "trace"}) {
      const RunResult run = command == std::string("trace")
                                ? RunScopehost({"trace", path})
                                : RunScopehost({"acquire", "hameg1", "--replay", path});
      EXPECT_EQ(run.status, 2) << c.told << ": " << run.err;
      EXPECT_TRUE(run.err.starts_with("scopehost: " + path.string() + c.told)) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
}

}  // namespace
}  // namespace hosttest
