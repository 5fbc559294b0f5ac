// The module as a host loads it: exports, the binding failures, and where messages go.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/library_loaded.h"
#include "support/loaded_module.h"
#include "support/recording_host.h"

namespace {

using testing::ElementsAre;
using namespace testing_support;

constexpr const char* kLibraryMissing = "Cannot find or open the file \"gpib-32.DLL\"  !";

struct Arrays {
  double values[5][4096] = {};
  WaveformBuffers buffers{{values[0], values[1], values[2], values[3], values[4]}};
};

class Host : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module.loaded()) << module.error(); }
  int32_t Acquire(int32_t type, MessageCallback callback = &RecordingHost::Callback) {
    return module.GetData(type, &arrays.buffers, &points, &channels, host.Window(), callback);
  }
  LoadedModule module;
  RecordingHost host;
  Arrays arrays;
  int32_t points = 0;
  int16_t channels = 5;
};

TEST_F(Host, ExportsExactlyThreeFunctions) {
  FILE* nm = popen("nm -D --defined-only " GPIBSCOPE_MODULE_PATH, "r");
  ASSERT_NE(nm, nullptr);
  std::vector<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, nm) != nullptr) {
    std::string text(line);
    text.erase(text.find_last_not_of("\n") + 1);
    names.push_back(text.substr(text.rfind(' ') + 1));
  }
  pclose(nm);
  EXPECT_THAT(names,
              testing::UnorderedElementsAre("GetData", "GetDeviceText", "GetTransProperties"));
}

TEST_F(Host, ListsTheCatalogueWithoutTheGpibLibrary) {
  char name[32];
  ASSERT_EQ(module.GetDeviceText(name, sizeof name, 2), name);
  EXPECT_STREQ(name, "Tektronix TDS540");
  EXPECT_FALSE(LibraryLoaded("libgpib-32.so"));
}

TEST_F(Host, MissingLibraryIsMessageOneAndLeavesTheBar) {
  int32_t probePoints = 11;
  int16_t probeChannels = 12;
  // Before the first GetData no callback is recorded: the message reaches nobody.
  EXPECT_EQ(module.GetTransProperties(3, &probePoints, &probeChannels), 0);
  EXPECT_TRUE(host.messages.empty());

  EXPECT_EQ(Acquire(0), 0);
  EXPECT_THAT(host.messages, ElementsAre(kLibraryMissing));
  EXPECT_EQ(host.steps, 0);
  EXPECT_TRUE(host.positions.empty()) << "the bar keeps its position";

  // The callback recorded by GetData now hears the probe's failure too.
  EXPECT_EQ(module.GetTransProperties(3, &probePoints, &probeChannels), 0);
  EXPECT_EQ(probePoints, 11);
  EXPECT_EQ(probeChannels, 12);
  EXPECT_THAT(host.messages, ElementsAre(kLibraryMissing, kLibraryMissing));
}

TEST_F(Host, NullCallbackDropsMessages) {
  EXPECT_EQ(Acquire(1, nullptr), 0);
  EXPECT_TRUE(host.messages.empty());
}

// A library that lacks one of the names the module binds fails as a missing one, even when the
// module would never call that name.
class IncompleteLibrary : public Host, public testing::WithParamInterface<const char*> {};

TEST_P(IncompleteLibrary, FailsWithMessageOneBeforeTouchingAnInstrument) {
  void* variant = dlopen(GetParam(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(variant, nullptr) << dlerror();
  using CallCount = int32_t (*)();
  auto calls = reinterpret_cast<CallCount>(dlsym(variant, "gpibsim_call_count"));
  ASSERT_NE(calls, nullptr);
  const int32_t before = calls();
  for (int32_t type : {0, 2, 3}) EXPECT_EQ(Acquire(type), 0);
  EXPECT_THAT(host.messages, ElementsAre(kLibraryMissing, kLibraryMissing, kLibraryMissing));
  EXPECT_EQ(calls(), before) << "no GPIB call was made";
  dlclose(variant);
  EXPECT_FALSE(LibraryLoaded(GetParam())) << "the module gave its reference back";
}

// The language service is asked once, when the module loads.
TEST(LanguageService, GermanModuleNamedAtLoadTime) {
  setenv("QUENLANG_RESOURCE_MODULE", GPIBSCOPE_GERMAN_MODULE, 1);
  RecordingHost host;
  {
    LoadedModule german;
    unsetenv("QUENLANG_RESOURCE_MODULE");
    ASSERT_TRUE(german.loaded());
    Arrays arrays;
    int32_t points = 0;
    int16_t channels = 5;
    EXPECT_EQ(german.GetData(0, &arrays.buffers, &points, &channels, host.Window(),
                             &RecordingHost::Callback),
              0);
  }
  EXPECT_THAT(host.messages,
              ElementsAre("Die Datei \"gpib-32.DLL\" wurde nicht gefunden oder kann nicht "
                          "geöffnet werden !"));
}

INSTANTIATE_TEST_SUITE_P(Variants, IncompleteLibrary,
                         testing::Values(GPIBSIM_NO_WAITSRQ_PATH, GPIBSIM_IBFIND_ONLY_PATH));

}  // namespace
