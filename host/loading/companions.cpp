#include "loading/companions.h"

#include <system_error>

namespace scopehost {

namespace {

// The directories of one layout, relative to the host library's directory.
struct Layout {
  const char* module;
  const char* simulator;
  const char* bridges;
  const char* benches;
};

// Both layouts come from the build system, which places and installs the files.
constexpr Layout kInstalled{SCOPEHOST_INSTALLED_MODULE_DIR, SCOPEHOST_INSTALLED_SIMULATOR_DIR,
                            SCOPEHOST_INSTALLED_BRIDGE_DIR, SCOPEHOST_INSTALLED_BENCH_DIR};
constexpr Layout kBuildTree{SCOPEHOST_BUILD_MODULE_DIR, SCOPEHOST_BUILD_SIMULATOR_DIR,
                            SCOPEHOST_BUILD_BRIDGE_DIR, SCOPEHOST_BUILD_BENCH_DIR};

Companions Resolve(const std::filesystem::path& libraryDirectory, const Layout& layout) {
  const auto at = [&](const char* relative) {
    return (libraryDirectory / relative).lexically_normal();
  };
  return {at(layout.module), at(layout.simulator), at(layout.bridges), at(layout.benches)};
}

}  // namespace

Companions CompanionsOf(const std::filesystem::path& libraryDirectory) {
  // The build tree has no lib/gpibscope/, so an installed module directory is proof of an
  // installation.
  std::error_code error;
  const Companions installed = Resolve(libraryDirectory, kInstalled);
  if (std::filesystem::is_directory(installed.moduleDirectory, error)) return installed;
  return Resolve(libraryDirectory, kBuildTree);
}

const Companions& OwnCompanions() {
  static const Companions companions = CompanionsOf(OwnDirectory());
  return companions;
}

std::filesystem::path ResolveBench(const std::filesystem::path& bench,
                                   const Companions& companions) {
  std::error_code error;
  if (std::filesystem::exists(bench, error) || bench.has_parent_path()) return bench;
  std::filesystem::path shipped = companions.benchDirectory / bench;
  if (shipped.extension() != ".toml") shipped += ".toml";
  return std::filesystem::exists(shipped, error) ? shipped : bench;
}

}  // namespace scopehost
