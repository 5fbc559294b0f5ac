// The GPIB library the host loads before the module, chosen with --gpib (or --sim): the module
// binds "libgpib-32.so" by name at every call and, with a library of that soname already
// loaded, gets this one, unless a recorder or a replay was loaded before it (recording.h).
#pragma once

#include <filesystem>
#include <string>

#include "loading/module_loader.h"

namespace scopehost {

// "sim" is the simulated library and "linux-gpib", "prologix" and "vxi11" are the bridges that
// came with the host library (companions.h: in the build tree or in its installation); anything
// else is a path (relative to the working directory). Throws LoadError when no such file exists.
std::filesystem::path GpibLibraryPath(const std::string& choice);

// The choices GpibLibraryPath knows by name, as a user reads them: "sim, linux-gpib, ...".
std::string GpibLibraryNames();

}  // namespace scopehost
