#include "support/recording_runs.h"

#include <sstream>
#include <utility>

namespace hosttest {

std::string CsvDataRows(const std::filesystem::path& csv) {
  std::istringstream text(ReadText(csv));
  std::string rows;
  bool header = true;
  for (std::string line; std::getline(text, line);) {
    if (line.starts_with("#")) continue;
    if (!std::exchange(header, false)) rows += line + "\n";
  }
  return rows;
}

RecordedAndReplayed RecordThenReplay(const ScratchDirectory& scratch, const std::string& device,
                                     const std::vector<std::string>& libraryArguments,
                                     const std::map<std::string, std::string>& environment,
                                     const std::filesystem::path& recording) {
  const std::filesystem::path recordedCsv = scratch / "recorded.csv";
  const std::filesystem::path replayedCsv = scratch / "replayed.csv";
  std::filesystem::remove(recordedCsv);
  std::filesystem::remove(replayedCsv);
  std::vector<std::string> arguments{
      "acquire", device, "--csv", recordedCsv.string(), "--trace", recording.string()};
  arguments.insert(arguments.end(), libraryArguments.begin(), libraryArguments.end());
  RecordedAndReplayed result;
  result.recording = RunScopehost(arguments, environment);
  result.replay = RunScopehost(
      {"acquire", device, "--csv", replayedCsv.string(), "--replay", recording.string()});
  if (std::filesystem::exists(recordedCsv)) result.recordedRows = CsvDataRows(recordedCsv);
  if (std::filesystem::exists(replayedCsv)) result.replayedRows = CsvDataRows(replayedCsv);
  return result;
}

std::string ReplayFault(const RecordedAndReplayed& run) {
  if (run.recording.status != 0) return "the recording failed: " + run.recording.err;
  if (run.replay.status != 0) return "the replay failed: " + run.replay.err;
  if (run.recordedRows.size() <= 1000) return "too few data rows recorded";
  if (run.recordedRows != run.replayedRows) return "the data rows differ";
  return {};
}

}  // namespace hosttest
