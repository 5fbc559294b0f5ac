// The recorder loaded globally, as a program that links the GPIB library has it: the library
// behind it, here the simulated one, then writes the recorder's status variables rather than
// its own, and the recording must still hold the status each call left.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "ni488/ni488.h"
#include "reader.h"

namespace {

template <typename Function>
Function Bound(void* library, const char* name) {
  return reinterpret_cast<Function>(dlsym(library, name));
}

TEST(Recorder, RecordsTheStatusWhereverTheLibraryBehindWroteIt) {
  const std::string recording =
      (std::filesystem::temp_directory_path() / ("recorder-" + std::to_string(getpid()) + ".rec"))
          .string();
  setenv("GPIBSCOPE_TRACE", recording.c_str(), 1);
  setenv("GPIBSCOPE_TRACE_GPIB", GPIBSIM_LIBRARY, 1);
  void* recorder = dlopen(GPIB_RECORDER, RTLD_NOW | RTLD_GLOBAL);
  ASSERT_NE(recorder, nullptr) << dlerror();
  const int32_t ud = Bound<IbfindFn>(recorder, "ibfindA")("DEV1");  // the default bench's HM408
  ASSERT_GE(ud, 1);
  Bound<IbwrtFn>(recorder, "ibwrt")(ud, "ID?\n", 4);
  char reply[50] = {};
  Bound<IbrdFn>(recorder, "ibrd")(ud, reply, sizeof reply);
  EXPECT_EQ(*Bound<int32_t*>(recorder, "user_ibcntl"), 19) << reply;

  const std::vector<gpib_recording::Call> calls = gpib_recording::ReadRecording(recording);
  std::filesystem::remove(recording);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].ibsta, CMPL);
  EXPECT_EQ(calls[1].ibcntl, 4);
  EXPECT_EQ(calls[2].ibsta, END | CMPL);
  EXPECT_EQ(calls[2].ibcntl, 19);
  EXPECT_EQ(std::string(calls[2].read.begin(), calls[2].read.end()), "HAMEG HM408 V2.11\r\n");
}

}  // namespace
