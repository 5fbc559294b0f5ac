// What scopehost does when something is wrong: a clear line on stderr, the documented exit
// status (1 the module failed, 2 usage, 3 output), and no file left half-written.
#include <gtest/gtest.h>

#include "support/scopehost_runner.h"

namespace hosttest {
namespace {

bool Says(const RunResult& run, const std::string& text) {
  return run.err.find(text) != std::string::npos;
}

TEST(UsageErrors, EndWithStatusTwoBeforeTouchingTheBus) {
  const ScratchDirectory scratch;
  const std::string csv = scratch / "out.csv";
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"acquire", "hameg3", "--csv", csv, "--sim"}, "scopehost: unknown device \"hameg3\""},
      {{"props", "4"}, "scopehost: unknown device \"4\""},
      {{"acquire", "0", "--plot", scratch / "plot.pdf", "--sim"}, "a plot is a .png or .svg"},
      {{"acquire"}, "DEVICE is required"},
      {{"--module", "/nonexistent/libgpibscope.so", "devices"},
       "scopehost: cannot load /nonexistent/libgpibscope.so"},
      // A library that loads but is not the driver module.
      {{"--module", GPIBSIM_LIBRARY_PATH, "devices"}, "does not export GetDeviceText"},
      {{"acquire", "0", "--csv", csv, "--sim", scratch / "missing.toml"},
       "missing.toml: cannot read the bench file"},
      {{"scan", "--gpib", "/nonexistent/libgpib-32.so"},
       "--gpib /nonexistent/libgpib-32.so: there is no GPIB library at"},
      {{"scan", "--gpib", "linux-gpib", "--sim"}, "--sim excludes --gpib"},
      {{"props", "philips", "--sim", "no-such-bench"}, "no-such-bench: cannot read the bench file"},
      // Every output has somewhere to go before anything is acquired.
      {{"acquire", "hameg1", "--csv", "/nonexistent/dir/x.csv", "--sim"},
       "scopehost: --csv /nonexistent/dir/x.csv: cannot write into /nonexistent/dir: no such "
       "directory; nothing acquired"},
      {{"acquire", "hameg1", "--wave", "/dev/null/waves", "--sim"},
       "cannot write into /dev/null: not a directory"},
  };
  for (const auto& usage : cases) {
    const RunResult run = RunScopehost(usage.arguments);
    EXPECT_EQ(run.status, 2) << usage.message << "\n" << run.err;
    EXPECT_TRUE(Says(run, usage.message)) << run.err;
    EXPECT_TRUE(scratch.Entries().empty());
  }
}

// An installation without the viewer's template says so before the bus is touched: a copy of
// the host library with no template beside it, found first by the loader.
TEST(UsageErrors, AViewerPageWithoutItsTemplateEndsBeforeAcquiring) {
  const ScratchDirectory scratch;
  std::filesystem::create_directory(scratch / "lib");
  const std::filesystem::path library = HOST_LIBRARY_PATH;
  std::filesystem::copy_file(library, scratch / "lib" / "libgpibscope-host.so.0");
  const std::string page = scratch / "page.html";
  const RunResult run = RunScopehost({"acquire", "tektronix", "--sim", "--html", page},
                                     {{"LD_LIBRARY_PATH", scratch / "lib"}});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.starts_with("scopehost: --html " + page +
                                  ": cannot read the viewer template " + scratch.path().string()))
      << run.err;
  EXPECT_TRUE(run.err.ends_with("viewer.html; nothing acquired\n")) << run.err;
  EXPECT_FALSE(std::filesystem::exists(page));
}

TEST(ModuleFailures, EndWithStatusOneAndTheModulesMessages) {
  const ScratchDirectory scratch;
  // A bus with no instrument named DEV1 or DEV8.
  const std::filesystem::path bench =
      WriteBench(scratch.path(), "empty.toml", "[[device]]\nmodel = \"multimeter\"\naddress = 3\n");
  const std::string csv = scratch / "out.csv";
  const struct {
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
    std::string message;
  } cases[] = {
      {{"acquire", "hameg1", "--csv", csv, "--sim", bench},
       {},
       "scopehost: Cant open Hameg at DEV1 !"},
      // The Philips sizes come from the instrument, whose messages reach the host too.
      {{"props", "philips", "--sim", bench}, {}, "scopehost: Cant open Philips at DEV8 !"},
      // No GPIB library at all: the module says so.
      {{"acquire", "tektronix", "--csv", csv}, {{"LD_LIBRARY_PATH", ""}}, "gpib-32"},
      {{"props", "philips"}, {{"LD_LIBRARY_PATH", ""}}, "gpib-32"},
  };
  for (const auto& failure : cases) {
    const RunResult run = RunScopehost(failure.arguments, failure.environment);
    EXPECT_EQ(run.status, 1) << failure.message << "\n" << run.err;
    EXPECT_TRUE(Says(run, failure.message)) << run.err;
    // Only where no GPIB library is found does scopehost add what to do.
    EXPECT_EQ(
        Says(run, "add --sim for the simulated bench, or --gpib linux-gpib|prologix|vxi11|PATH"),
        failure.environment.contains("LD_LIBRARY_PATH"))
        << run.err;
    EXPECT_EQ(scratch.Entries(), std::vector<std::string>{"empty.toml"});
  }
}

TEST(OutputErrors, EachFileIsWholeOrAbsentAndTheRestAreWritten) {
  const ScratchDirectory scratch;
  const std::filesystem::path bench = UnpacedDefaultBench(scratch.path());
  std::filesystem::create_directory(scratch / "taken");
  // The CSV's name is a directory; the plot can be made.
  const RunResult run = RunScopehost({"acquire", "hameg1", "--csv", scratch / "taken", "--plot",
                                      scratch / "plot.png", "--sim", bench});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_TRUE(Says(run, "scopehost: cannot write " + (scratch / "taken").string())) << run.err;
  EXPECT_EQ(scratch.Entries(), (std::vector<std::string>{"bench.toml", "plot.png", "taken"}));
  EXPECT_TRUE(std::filesystem::is_empty(scratch / "taken"));

  // A PWL directory below a file is told before the acquisition, which never starts.
  const RunResult belowAFile =
      RunScopehost({"acquire", "hameg1", "--pwl", scratch / "bench.toml" / "pwl", "--sim", bench});
  EXPECT_EQ(belowAFile.status, 2);
  EXPECT_EQ(belowAFile.out, "");
  EXPECT_TRUE(Says(belowAFile, "scopehost: --pwl " + (scratch / "bench.toml" / "pwl").string() +
                                   ": cannot write into " + (scratch / "bench.toml").string() +
                                   ": not a directory; nothing acquired\n"))
      << belowAFile.err;
}

}  // namespace
}  // namespace hosttest
