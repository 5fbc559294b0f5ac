// An acquisition recorded through a GPIB library and then replayed from its recording alone.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/scopehost_runner.h"

namespace hosttest {

// The CSV's data rows: everything after the # lines and the header row.
std::string CsvDataRows(const std::filesystem::path& csv);

struct RecordedAndReplayed {
  RunResult recording;  // scopehost acquire ... --trace
  RunResult replay;     // scopehost acquire ... --replay, without the library's arguments
  std::string recordedRows;
  std::string replayedRows;
};

// Acquires device with libraryArguments (--sim BENCH, --gpib NAME) and environment, recording
// into recording, then acquires again from recording with no GPIB library and no environment.
RecordedAndReplayed RecordThenReplay(const ScratchDirectory& scratch, const std::string& device,
                                     const std::vector<std::string>& libraryArguments,
                                     const std::map<std::string, std::string>& environment,
                                     const std::filesystem::path& recording);

// What went wrong with run, in a line: a run that failed (with what it said), a thousand data
// rows or fewer recorded, or replayed rows that differ; empty when nothing did.
std::string ReplayFault(const RecordedAndReplayed& run);

}  // namespace hosttest
