#include "loading/recording.h"

#include <fstream>
#include <vector>

#include "loading/companions.h"
#include "platform/platform.h"
#include "printer.h"
#include "reader.h"
#include "variables.h"

namespace scopehost {

namespace {

std::vector<gpib_recording::Call> ReadChecked(const std::filesystem::path& recording) {
  try {
    return gpib_recording::ReadRecording(recording.string());
  } catch (const gpib_recording::RecordingError& error) {
    throw LoadError(error.what());
  }
}

std::filesystem::path CompanionBridge(const char* name) {
  const std::filesystem::path path = OwnCompanions().Bridge(name);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    throw LoadError(std::string("there is no GPIB ") + name + " at " + path.string());
  }
  return path;
}

}  // namespace

void LoadRecorder(std::optional<SharedLibrary>& front, const std::filesystem::path& recording,
                  const std::filesystem::path& answering) {
  if (!std::ofstream(recording, std::ios::binary | std::ios::trunc)) {
    throw LoadError("--trace " + recording.string() + ": cannot write the recording");
  }
  platform::SetEnvironment(gpib_recording::kTraceVariable,
                           std::filesystem::absolute(recording).string());
  platform::SetEnvironment(gpib_recording::kTraceLibraryVariable, answering.string());
  front.emplace(CompanionBridge("recorder"));
}

void LoadReplay(std::optional<SharedLibrary>& front, const std::filesystem::path& recording) {
  ReadChecked(recording);
  platform::SetEnvironment(gpib_recording::kReplayVariable,
                           std::filesystem::absolute(recording).string());
  front.emplace(CompanionBridge("replay"));
}

std::vector<std::string> DescribeRecording(const std::filesystem::path& recording) {
  std::vector<std::string> lines;
  for (const gpib_recording::Call& call : ReadChecked(recording)) {
    lines.push_back(gpib_recording::DescribeCall(call));
  }
  return lines;
}

}  // namespace scopehost
