// Where the host library finds what it ships with: the driver module and the libraries beside it,
// the simulated GPIB library, the bridges to real controllers and the bench files.
#pragma once

#include <filesystem>
#include <string_view>

#include "loading/module_loader.h"

namespace scopehost {

// The directories of one layout, each absolute.
struct Companions {
  std::filesystem::path moduleDirectory;     // the module, its language service and modules
  std::filesystem::path simulatorDirectory;  // the simulated GPIB library
  std::filesystem::path bridgeDirectory;     // one directory per bridge, each a GPIB library
  std::filesystem::path benchDirectory;      // bench files for the simulated library

  std::filesystem::path Module() const { return moduleDirectory / kModuleFileName; }
  std::filesystem::path Simulator() const { return simulatorDirectory / kGpibLibraryFileName; }
  std::filesystem::path Bridge(std::string_view name) const {
    return bridgeDirectory / name / kGpibLibraryFileName;
  }
  // The waveform viewer's page template, in the data directory that holds the benches.
  std::filesystem::path ViewerTemplate() const {
    return benchDirectory.parent_path() / "viewer.html";
  }
};

// The companions of the host library in libraryDirectory: under its installation prefix when
// the installed module directory lies there (prefix/lib beside prefix/lib/gpibscope, wherever
// the prefix is), else where the build tree puts them (build/lib beside build/sim).
Companions CompanionsOf(const std::filesystem::path& libraryDirectory);

// The companions of the running host library.
const Companions& OwnCompanions();

// A bench as the user names it: an existing file as it stands; otherwise a plain name, with
// or without ".toml", of one of the benches shipped in the bench directory.
std::filesystem::path ResolveBench(const std::filesystem::path& bench,
                                   const Companions& companions);

}  // namespace scopehost
