// Where the host library finds the module, the simulator, the bridges and the benches: the
// installed layout when it lies around the library, else the build tree's; benches by file or
// by the name of a shipped one.
#include "loading/companions.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/scopehost_runner.h"

namespace hosttest {
namespace {

TEST(CompanionsOf, TheInstalledLayoutWhenItsModuleDirectoryIsThereElseTheBuildTree) {
  const ScratchDirectory scratch;
  const std::filesystem::path library = scratch / "lib";
  std::filesystem::create_directories(library);
  const scopehost::Companions build = scopehost::CompanionsOf(library);
  std::filesystem::create_directories(build.moduleDirectory / "gpibscope");
  const scopehost::Companions installed = scopehost::CompanionsOf(library);
  EXPECT_NE(installed.moduleDirectory, build.moduleDirectory);
  EXPECT_EQ(installed.moduleDirectory, (build.moduleDirectory / "gpibscope").lexically_normal());
  for (const auto& companions : {build, installed}) {
    EXPECT_TRUE(companions.Module().is_absolute());
    EXPECT_EQ(companions.ViewerTemplate().parent_path(), companions.benchDirectory.parent_path());
  }
}

TEST(ResolveBench, AFileAsItStandsOrAShippedBenchByName) {
  const ScratchDirectory scratch;
  scopehost::Companions companions{};
  companions.benchDirectory = scratch.path();
  std::ofstream(scratch / "hm408.toml") << "";
  const std::filesystem::path here = scratch / "here.toml";
  std::ofstream(here) << "";
  const struct {
    std::filesystem::path named, found;
  } cases[] = {
      {here, here},
      {"hm408", scratch / "hm408.toml"},
      {"hm408.toml", scratch / "hm408.toml"},
      {"unknown", "unknown"},
      {"some/where.toml", "some/where.toml"},
  };
  for (const auto& [named, found] : cases) {
    EXPECT_EQ(scopehost::ResolveBench(named, companions), found) << named;
  }
}

}  // namespace
}  // namespace hosttest
