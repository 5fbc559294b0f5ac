// The simulated GPIB library, loaded by the host before it calls the module.
#pragma once

#include <filesystem>
#include <optional>

#include "module_loader.h"

namespace scopehost {

// Holds the simulated libgpib-32.so for the life of the host. The module binds the GPIB
// library by its name "libgpib-32.so" at every call; with this library already loaded under
// that soname it gets this one, and the bench state carries from one call to the next.
class SimulatedBench {
 public:
  // benchFile replaces the bench the library starts with (GPIBSIM_BENCH or the embedded
  // default). Throws LoadError for a library that cannot be loaded or a bench it rejects.
  SimulatedBench(const std::filesystem::path& library,
                 const std::optional<std::filesystem::path>& benchFile);

 private:
  SharedLibrary library_;
};

// build/bin/scopehost finds build/sim/libgpib-32.so: apart from the module's directory, so a
// real bench never finds the simulator by accident.
std::filesystem::path DefaultSimulatorPath();

}  // namespace scopehost
