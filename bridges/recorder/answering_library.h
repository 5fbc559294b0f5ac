// The GPIB library the recorder stands in front of, loaded by its full path so that the
// recorder, which has its name, is never found in its place. The platform's loading is in
// posix/ and win32/.
#pragma once

#include <optional>
#include <string>

#include "front.h"

namespace gpib_recorder {

// Loads the library at path and binds its 22 names; why says what failed.
std::optional<GpibEntries> LoadAnsweringLibrary(const std::string& path, std::string& why);

// The library to record when none is named: the system's own where the platform has one
// (Windows: gpib-32.dll in the system directory), else empty.
std::string SystemGpibLibrary();

// Keeps the recorder loaded until the process ends, so that a host that loads and releases
// the GPIB library around each of its calls records one conversation, not one per call, into
// one recording.
void StayLoaded();

// The value of an environment variable, empty when unset.
std::string EnvironmentValue(const char* name);

}  // namespace gpib_recorder
