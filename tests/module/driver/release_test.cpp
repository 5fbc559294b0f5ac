// The GPIB library is held only while an export runs. This test finds the simulated library
// through the loader's search path, as a host finds the real one, so nothing else holds it.
#include <gtest/gtest.h>

#include "support/library_loaded.h"
#include "support/loaded_module.h"
#include "support/recording_host.h"

namespace {

using namespace testing_support;

TEST(LibraryRelease, NoExportLeavesTheLibraryLoaded) {
  LoadedModule module;
  ASSERT_TRUE(module.loaded());
  ASSERT_FALSE(LibraryLoaded("libgpib-32.so"));
  double values[5][20000];
  WaveformBuffers buffers{{values[0], values[1], values[2], values[3], values[4]}};
  RecordingHost host;
  int32_t points = 0;
  int16_t channels = 5;
  for (int32_t type : {5, -1, 2, 2}) {
    module.GetData(type, &buffers, &points, &channels, host.Window(), &RecordingHost::Callback);
    EXPECT_FALSE(LibraryLoaded("libgpib-32.so")) << "after GetData type " << type;
  }
  module.GetTransProperties(3, &points, &channels);
  EXPECT_FALSE(LibraryLoaded("libgpib-32.so")) << "after the type 3 probe";
  // Found and used: the bus scan either reached an instrument or reported why it did not.
  EXPECT_TRUE(host.steps > 0 || !host.messages.empty()) << "the library was found and used";
}

}  // namespace
