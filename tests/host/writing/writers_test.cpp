// The CSV, PWL and two-column writers: the exact text for waveforms made here, in time and XY
// mode, and the data that has no PWL form.
#include <gtest/gtest.h>

#include "support/scopehost_runner.h"
#include "writing/csv_writer.h"
#include "writing/output_file.h"
#include "writing/pwl_writer.h"

namespace hosttest {
namespace {

using scopehost::Abscissa;
using scopehost::Waveforms;

Waveforms Made(Abscissa abscissa, std::vector<double> first, std::vector<scopehost::Trace> traces) {
  Waveforms waveforms;
  waveforms.type = abscissa == Abscissa::kX ? 1 : 2;
  waveforms.deviceName = "Scope";
  waveforms.abscissa = abscissa;
  waveforms.abscissaValues = std::move(first);
  waveforms.channels = std::move(traces);
  waveforms.durationSeconds = 0.5;  // acquired at the epoch
  return waveforms;
}

TEST(WriteCsv, HeaderLinesThenOneRowAPoint) {
  const ScratchDirectory scratch;
  const struct {
    Waveforms waveforms;
    std::string expected;
  } cases[] = {
      {Made(Abscissa::kTime, {0.0, 1e-05}, {{"ch1", {0.5, -2.0}}, {"ch3", {1e16, 0.1}}}),
       "# device: Scope\n# device type: 2\n# points: 2\n# channels: 2 (ch1, ch3)\n"
       "# acquired at (UTC): 1970-01-01T00:00:00Z\n# duration (s): 0.5\n"
       "time (s),ch1 (V),ch3 (V)\n0,0.5,1e+16\n1e-05,-2,0.1\n"},
      {Made(Abscissa::kX, {0.25, 0.25}, {{"Y", {1.0, 2.0}}}),
       "# device: Scope\n# device type: 1\n# points: 2\n# channels: 1 (Y)\n"
       "# mode: XY (X in place of a time axis)\n"
       "# acquired at (UTC): 1970-01-01T00:00:00Z\n# duration (s): 0.5\n"
       "X (V),Y (V)\n0.25,1\n0.25,2\n"},
  };
  for (const auto& [waveforms, expected] : cases) {
    scopehost::WriteCsv(waveforms, scratch / "a.csv");
    EXPECT_EQ(ReadText(scratch / "a.csv"), expected);
  }
}

TEST(WritePwl, OneSourceAChannelSixteenPairsALine) {
  const ScratchDirectory scratch;
  std::vector<double> time, volts;
  for (int k = 0; k < 17; ++k) {
    time.push_back(k * 1e-3);
    volts.push_back(k);
  }
  const Waveforms waveforms = Made(Abscissa::kTime, time, {{"ch2", volts}});
  ASSERT_FALSE(scopehost::WhyNoPwl(waveforms));
  const auto written = scopehost::WritePwl(waveforms, scratch / "made");
  ASSERT_EQ(written, std::vector{scratch / "made" / "ch2.pwl"});
  const std::string text = ReadText(written[0]);
  EXPECT_EQ(text.substr(0, text.find("+ 0 0")),
            "* ch2 of Scope, acquired 1970-01-01T00:00:00Z, 17 points (time in s, volts).\n"
            "* .include this file: V_CH2 drives node ch2 against ground.\nV_CH2 ch2 0 PWL(\n");
  EXPECT_NE(text.find(" 0.015 15\n+ 0.016 16\n+ )\n"), std::string::npos) << text;
  const auto waves = scopehost::WriteWaveFiles(waveforms, scratch.path());
  EXPECT_EQ(ReadText(waves[0]).substr(0, 14), "0 0\n0.001 1\n0.");
}

TEST(WritePwl, AChannelNameThatIsNoPlainFileNameWritesNothing) {
  const ScratchDirectory scratch;
  for (const char* name : {"../ch1", "a/b", "..", ""}) {
    const Waveforms waveforms = Made(Abscissa::kTime, {0.0}, {{"ch1", {1.0}}, {name, {1.0}}});
    EXPECT_THROW(scopehost::WritePwl(waveforms, scratch / "made"), scopehost::OutputError);
  }
  EXPECT_EQ(scratch.Entries(), std::vector<std::string>{"made"});
  EXPECT_TRUE(std::filesystem::is_empty(scratch / "made"));
}

TEST(WhyNoPwl, NamesWhatIsMissing) {
  const struct {
    Waveforms waveforms;
    const char* why;
  } cases[] = {
      {Made(Abscissa::kX, {0.0, 1.0}, {}), "in XY mode there is no time axis"},
      {Made(Abscissa::kSampleIndex, {0.0, 1.0}, {}), "no time axis was delivered"},
      {Made(Abscissa::kTime, {0.0, 0.0}, {}), "the time axis does not rise strictly"},
  };
  for (const auto& [waveforms, why] : cases) EXPECT_EQ(scopehost::WhyNoPwl(waveforms), why);
}

}  // namespace
}  // namespace hosttest
