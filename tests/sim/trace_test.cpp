// The trace of the calls, a GPIB recording, and the environment a fresh copy of the library starts
// from.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "sim_test_support.h"

namespace {

namespace fs = std::filesystem;

// A file name in the temporary directory, removed at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::string& stem)
      : path_(fs::temp_directory_path() /
              (stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++))) {
    fs::remove(path_);
  }
  ~TempFile() { fs::remove(path_); }
  std::string path() const { return path_.string(); }

  std::vector<std::string> Lines() const {
    std::ifstream file(path_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }
  void Write(const std::string& text) const { std::ofstream(path_) << text; }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

using Trace = simtest::EmptyBus;

TEST_F(Trace, OneRecordingLinePerCallWithEveryByteComplete) {
  TempFile trace("gpibsim-trace");
  ASSERT_EQ(gpibsim_set_trace_file(trace.path().c_str()), 0);
  const int32_t ud = simtest::OpenScripted(3, "DEV3");
  simtest::Write(ud, std::string_view("A\"\0\xFF\n", 5));
  std::string binary(300, 'x');
  simtest::Queue(3, binary);
  simtest::Read(ud, 1000);
  simtest::Read(ud, 10);  // times out
  gpibsim_set_trace_file(nullptr);
  ibonl(ud, 0);  // not traced any more

  const std::vector<std::string> lines = trace.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "gpibscope-recording 1");
  EXPECT_EQ(lines[1],
            "1 ibfindA w=44455633 ret=1 ibsta=0x0100 iberr=0 ibcntl=0 t=0.000000 d=0.000000");
  EXPECT_EQ(lines[2],
            "2 ibwrt ud=1 count=5 w=412200FF0A ret=256 ibsta=0x0100 iberr=0 ibcntl=5 t=0.000000 "
            "d=0.000000");
  std::string all(600, '7');
  for (size_t i = 1; i < all.size(); i += 2) all[i] = '8';
  EXPECT_EQ(lines[3], "3 ibrd ud=1 count=1000 ret=8448 ibsta=0x2100 iberr=0 ibcntl=300 r=" + all +
                          " t=0.000000 d=0.000000");
  EXPECT_EQ(lines[4],
            "4 ibrd ud=1 count=10 ret=49408 ibsta=0xC100 iberr=6 ibcntl=0 r= t=0.000000 "
            "d=10.000000");
}

TEST_F(Trace, AppendsToAnExistingFileWithoutASecondVersionLine) {
  TempFile trace("gpibsim-trace");
  trace.Write("gpibscope-recording 1\n");
  ASSERT_EQ(gpibsim_set_trace_file(trace.path().c_str()), 0);
  SendIFC(0);
  gpibsim_set_trace_file(nullptr);
  const std::vector<std::string> lines = trace.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].rfind("1 SendIFC board=0 ibsta=0x0100 ", 0), 0u) << lines[1];
}

TEST_F(Trace, UnwritablePathIsRefused) {
  EXPECT_EQ(gpibsim_set_trace_file("/nonexistent/dir/trace.csv"), -1);
}

// A copy of the library loaded by path has state of its own, set up from the environment
// at its first call.
class FreshLibrary {
 public:
  explicit FreshLibrary(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
  ~FreshLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  bool loaded() const { return handle_ != nullptr; }
  template <typename Function>
  Function Get(const char* name) const {
    return reinterpret_cast<Function>(dlsym(handle_, name));
  }

 private:
  void* handle_;
};

TEST(Environment, BenchAndTraceNamedByTheEnvironment) {
  TempFile bench("gpibsim-bench");
  bench.Write("[[device]]\nmodel = \"scripted\"\naddress = 9\nname = \"FROMENV\"\n");
  TempFile trace("gpibsim-trace");
  setenv("GPIBSIM_BENCH", bench.path().c_str(), 1);
  setenv("GPIBSIM_TRACE", trace.path().c_str(), 1);
  {
    FreshLibrary library(GPIBSIM_VARIANT_IBFIND_ONLY);
    ASSERT_TRUE(library.loaded()) << dlerror();
    EXPECT_GE(library.Get<int32_t (*)(const char*)>("ibfind")("FROMENV"), 1);
  }
  unsetenv("GPIBSIM_BENCH");
  unsetenv("GPIBSIM_TRACE");
  const std::vector<std::string> lines = trace.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].rfind("1 ibfind w=46524F4D454E56 ret=1 ibsta=0x0100 ", 0), 0u) << lines[1];
}

TEST(Environment, BadBenchLeavesAnEmptyBus) {
  TempFile bench("gpibsim-bench");
  bench.Write("[[device]]\nmodel = \"nosuch\"\naddress = 9\nname = \"FROMENV\"\n");
  setenv("GPIBSIM_BENCH", bench.path().c_str(), 1);
  {
    FreshLibrary library(GPIBSIM_VARIANT_NO_WAITSRQ);
    ASSERT_TRUE(library.loaded()) << dlerror();
    EXPECT_EQ(library.Get<int32_t (*)(const char*)>("ibfindA")("FROMENV"), -1);
    EXPECT_NE(std::string(library.Get<const char* (*)()>("gpibsim_last_error")()), "");
  }
  unsetenv("GPIBSIM_BENCH");
}

}  // namespace
