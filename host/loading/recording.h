// Recording the GPIB conversation of a run and replaying one: the recorder or the replay is
// loaded before any other GPIB library, so the module's calls reach it first.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "loading/module_loader.h"

namespace scopehost {

// Loads into front the recorder in front of the GPIB library at answering, recording into recording
// (created or emptied now, so that an unwritable path is told before anything runs). Throws
// LoadError.
void LoadRecorder(std::optional<SharedLibrary>& front, const std::filesystem::path& recording,
                  const std::filesystem::path& answering);

// Loads into front the replay of recording, read and checked first. Throws LoadError with the file
// and line of what is wrong.
void LoadReplay(std::optional<SharedLibrary>& front, const std::filesystem::path& recording);

// The recording, one line a call. Throws LoadError for a bad recording.
std::vector<std::string> DescribeRecording(const std::filesystem::path& recording);

}  // namespace scopehost
