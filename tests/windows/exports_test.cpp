// gpibscope.dll under Wine, loaded with LoadLibraryA as a Windows host loads it, with the
// simulated gpib-32.dll found where the module's LoadLibraryA("gpib-32.dll") looks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "module_host.h"

namespace {

using namespace windows_tests;

const std::string kLibraryMissing = "Cannot find or open the file \"gpib-32.DLL\"  !";

TEST(Exports, EveryDeviceTypeAcquiresAndTheLibraryIsHeldOnlyDuringTheCall) {
  FindGpibLibraryIn(GPIBSIM_DIR);
  LoadedModule module;
  ASSERT_TRUE(module.loaded());
  for (int32_t type = 0; type < GPIBSCOPE_DEVICE_TYPES; ++type) {
    SCOPED_TRACE("device type " + std::to_string(type));
    int32_t points = 0;
    int16_t arrays = 0;
    EXPECT_EQ(module.GetTransProperties(type, &points, &arrays), 1);
    EXPECT_GT(points, 0);
    EXPECT_FALSE(GpibLibraryLoaded());
    ProgressBar progress;
    const Acquisition acquisition = Acquire(module, type, progress);
    EXPECT_EQ(acquisition.result, 1);
    EXPECT_GT(progress.position(), 0) << "the module steps the real control";
    // The Philips driver leaves the counts to GetTransProperties.
    EXPECT_EQ(acquisition.points > 0, type != 3);
    EXPECT_FALSE(GpibLibraryLoaded());
  }
  EXPECT_TRUE(Messages().empty());
}

struct BindingCase {
  const char* name;
  const char* directory;  // where gpib-32.dll is found; null: nowhere
};

class Binding : public testing::TestWithParam<BindingCase> {};

TEST_P(Binding, AnUnusableLibraryIsMessageOneAndNothingStaysLoaded) {
  FindGpibLibraryIn(GetParam().directory);
  LoadedModule module;
  ASSERT_TRUE(module.loaded());
  ProgressBar progress;
  progress.SetPosition(7);
  EXPECT_EQ(Acquire(module, 0, progress).result, 0);
  EXPECT_EQ(progress.position(), 7) << "a binding failure leaves the bar alone";
  int32_t points = 11;
  int16_t arrays = 12;
  EXPECT_EQ(module.GetTransProperties(3, &points, &arrays), 0);
  EXPECT_EQ(points, 11);
  EXPECT_EQ(arrays, 12);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kLibraryMissing, kLibraryMissing}));
  EXPECT_FALSE(GpibLibraryLoaded());
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, Binding,
    testing::Values(BindingCase{"missing", nullptr},
                    BindingCase{"without_WaitSRQ", GPIBSIM_DIR "/no-waitsrq"},
                    BindingCase{"ibfind_not_ibfindA", GPIBSIM_DIR "/ibfind-only"}),
    [](const testing::TestParamInfo<BindingCase>& param) { return param.param.name; });

TEST(Exports, InvalidTypesAreRefusedWithoutAWord) {
  FindGpibLibraryIn(GPIBSIM_DIR);
  LoadedModule module;
  ASSERT_TRUE(module.loaded());
  for (int32_t type : {4, -1}) {
    char buffer[64];
    buffer[0] = 'x';
    EXPECT_EQ(module.GetDeviceText(buffer, sizeof buffer, type), nullptr);
    EXPECT_EQ(buffer[0], '\0');
    int32_t points = 11;
    int16_t arrays = 12;
    EXPECT_EQ(module.GetTransProperties(type, &points, &arrays), 0);
    EXPECT_EQ(points, 11);
    ProgressBar progress;
    progress.SetPosition(7);
    EXPECT_EQ(Acquire(module, type + 1000, progress).result, 0);
    EXPECT_EQ(progress.position(), 7);
  }
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(GpibLibraryLoaded());
}

// Run with QUENLANG_RESOURCE_MODULE naming gpibscope_de.dll.
TEST(Language, TheGermanModuleChosenByTheLanguageServiceSpeaks) {
  if (std::getenv("QUENLANG_RESOURCE_MODULE") == nullptr) GTEST_SKIP() << "no language module";
  FindGpibLibraryIn(nullptr);
  LoadedModule module;
  ASSERT_TRUE(module.loaded());
  ProgressBar progress;
  EXPECT_EQ(Acquire(module, 0, progress).result, 0);
  // In the ANSI code page (1252): o with diaeresis is 0xF6.
  EXPECT_EQ(Messages(), std::vector<std::string>{"Die Datei \"gpib-32.DLL\" wurde nicht gefunden "
                                                 "oder kann nicht ge\xF6"
                                                 "ffnet werden !"});
}

}  // namespace
