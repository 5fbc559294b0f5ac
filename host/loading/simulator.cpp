#include "loading/simulator.h"

#include "gpibsim/gpibsim.h"

namespace scopehost {

void LoadSimulatedBench(const SharedLibrary& library, const std::filesystem::path& benchFile) {
  const auto load = reinterpret_cast<decltype(&gpibsim_load_bench_file)>(
      library.Symbol("gpibsim_load_bench_file"));
  const auto lastError =
      reinterpret_cast<decltype(&gpibsim_last_error)>(library.Symbol("gpibsim_last_error"));
  if (load(benchFile.string().c_str()) != 0) {
    throw LoadError("bench " + benchFile.string() + ": " + lastError());
  }
}

}  // namespace scopehost
