// The simulated GPIB library, loaded by the host before it calls the module.
#pragma once

#include <filesystem>

#include "loading/module_loader.h"

namespace scopehost {

// Replaces the bench the loaded simulated library started with (GPIBSIM_BENCH or the embedded
// default); the bench state then carries from one call of the module to the next. Throws
// LoadError for a bench the library rejects.
void LoadSimulatedBench(const SharedLibrary& library, const std::filesystem::path& benchFile);

}  // namespace scopehost
