// scopehost acquires from every device type of the default bench (without its pacing) and
// writes CSV, PWL sources, waveform files and a plot whose contents match the bench's instrument
// settings.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "bench_expectations.h"
#include "output_readers.h"
#include "support/scopehost_runner.h"

namespace hosttest {
namespace {

struct DeviceCase {
  const char* label;
  int type;
  const char* argument;  // as the user names it: a number or a short name
  const char* deviceName;
  const char* plotFile;
};

void PrintTo(const DeviceCase& device, std::ostream* os) {
  *os << device.label;
}

// A sample matches when the signal comes within tolerance at the sample time or a hair
// either side of it, so that a sample on the edge of a square wave counts either way.
bool MatchesSignal(const ExpectedColumn& column, double t, double interval, double value) {
  for (const double instant : {t, t - interval * 1e-6, t + interval * 1e-6}) {
    if (std::fabs(value - column.signal.At(instant)) <= column.tolerance) return true;
  }
  return false;
}

void ExpectColumnMatches(const std::vector<double>& values, const ExpectedColumn& column,
                         double interval) {
  size_t mismatches = 0;
  size_t first = values.size();
  for (size_t k = 0; k < values.size(); ++k) {
    if (!MatchesSignal(column, double(k) * interval, interval, values[k])) {
      if (mismatches++ == 0) first = k;
    }
  }
  EXPECT_EQ(mismatches, 0u) << column.heading << ": first mismatch at sample " << first
                            << ", value " << (first < values.size() ? values[first] : NAN)
                            << ", signal " << column.signal.At(double(first) * interval);
}

void ExpectTimeAxis(const std::vector<double>& time, double interval) {
  for (size_t k = 0; k < time.size(); ++k) {
    ASSERT_NEAR(time[k], double(k) * interval, interval * 1e-9 * double(k + 1))
        << "time of sample " << k;
  }
}

void ExpectCsvMatchesBench(const CsvData& csv, const ExpectedAcquisition& expected,
                           const DeviceCase& device) {
  EXPECT_EQ(csv.metadata.at("device"), device.deviceName);
  EXPECT_EQ(csv.metadata.at("points"), std::to_string(expected.points));
  EXPECT_TRUE(csv.metadata.contains("acquired at (UTC)"));
  std::vector<std::string> headings{expected.xyMode ? "X (V)" : "time (s)"};
  for (const ExpectedColumn& column : expected.columns) headings.push_back(column.heading);
  ASSERT_EQ(csv.headings, headings);
  ASSERT_EQ(csv.columns[0].size(), expected.points);

  if (expected.xyMode) {
    ExpectColumnMatches(csv.columns[0], expected.xColumn, expected.interval);
  } else {
    ExpectTimeAxis(csv.columns[0], expected.interval);
  }
  for (size_t c = 0; c < expected.columns.size(); ++c) {
    ExpectColumnMatches(csv.columns[c + 1], expected.columns[c], expected.interval);
  }
}

// The PWL sources and the waveform files hold exactly the CSV's numbers, time against each
// channel.
void ExpectPwlDataMatchesCsv(const std::filesystem::path& pwl, const std::filesystem::path& wave,
                             const CsvData& csv) {
  for (size_t c = 1; c < csv.headings.size(); ++c) {
    const std::string channel = csv.headings[c].substr(0, csv.headings[c].find(' '));
    const PwlSource source = ReadPwl(pwl / (channel + ".pwl"));
    EXPECT_EQ(source.node, channel);
    EXPECT_EQ(source.times, csv.columns[0]);
    EXPECT_EQ(source.volts, csv.columns[c]);
    const auto [times, volts] = ReadWaveFile(wave / (channel + ".txt"));
    EXPECT_EQ(times, csv.columns[0]) << channel;
    EXPECT_EQ(volts, csv.columns[c]) << channel;
  }
}

std::string Run(const std::string& command) {
  std::string output;
  std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), &pclose);
  std::array<char, 4096> chunk;
  for (size_t n; (n = fread(chunk.data(), 1, chunk.size(), pipe.get())) > 0;)
    output.append(chunk.data(), n);
  return output;
}

double Measured(const std::string& output, const std::string& name) {
  std::smatch match;
  if (!std::regex_search(output, match, std::regex("\\b" + name + R"(\s*=\s*(\S+))"))) {
    ADD_FAILURE() << "no " << name << " in\n" << output;
    return NAN;
  }
  return std::stod(match[1]);
}

// ngspice includes the PWL source of the first channel and reads its waveform file through a
// filesource. The PWL source's voltage at a sample time must be the sample's value, and the
// two sources, each driving the same RC filter, must give the same filter output.
void ExpectNgspiceReadsPwlAndWave(const std::filesystem::path& directory, const CsvData& csv) {
  if (std::string(NGSPICE_PROGRAM).empty()) GTEST_SKIP() << "ngspice is not installed";
  const std::string node = csv.headings[1].substr(0, csv.headings[1].find(' '));
  const std::vector<double>& time = csv.columns[0];
  const size_t k = time.size() / 3;
  const struct {
    const char* name;
    double time;
  } filterProbes[] = {{"mid", time.back() / 2}, {"end", time.back()}};
  std::ostringstream netlist;
  netlist.precision(17);
  netlist << "scopehost PWL and file sources\n.include pwl/" << node << ".pwl\n"
          << "a1 %v([file]) wave\n.model wave filesource (file=\"wave/" << node
          << ".txt\" amploffset=[0] amplscale=[1])\n";
  // A time constant of a tenth of the record.
  for (const char* source : {node.c_str(), "file"}) {
    netlist << "R_" << source << ' ' << source << ' ' << source << "_rc 1k\nC_" << source << ' '
            << source << "_rc 0 " << time.back() / 10 / 1e3 << '\n';
  }
  netlist << ".tran " << time[1] - time[0] << ' ' << time.back() << "\n.control\nrun\n"
          << "meas tran probe find v(" << node << ") at=" << time[k] << '\n';
  for (const auto& at : filterProbes) {
    for (const char* source : {node.c_str(), "file"}) {
      netlist << "meas tran " << source << '_' << at.name << " find v(" << source
              << "_rc) at=" << at.time << '\n';
    }
  }
  std::ofstream(directory / "check.cir") << netlist.str() << ".endc\n.end\n";
  const std::string output =
      Run("cd '" + directory.string() + "' && " NGSPICE_PROGRAM " -b check.cir 2>&1");

  const double probe = Measured(output, "probe");
  EXPECT_NEAR(probe, csv.columns[1][k], 1e-5 * std::max(1.0, std::fabs(probe))) << output;
  for (const auto& at : filterProbes) {
    const double pwl = Measured(output, node + '_' + at.name);
    EXPECT_NEAR(Measured(output, std::string("file_") + at.name), pwl,
                1e-6 * std::max(1.0, std::fabs(pwl)))
        << at.name << '\n'
        << output;
  }
}

void ExpectPlotFile(const std::filesystem::path& path) {
  const std::string bytes = ReadText(path);
  ASSERT_FALSE(bytes.empty()) << path;
  if (path.extension() == ".png") {
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  } else {
    EXPECT_NE(bytes.find("<svg"), std::string::npos);
  }
}

class EndToEnd : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(EndToEnd, WritesFilesThatMatchTheBench) {
  const DeviceCase& device = GetParam();
  const ScratchDirectory scratch;
  const std::filesystem::path bench = UnpacedDefaultBench(scratch.path());
  const RunResult run = RunScopehost({"acquire", device.argument, "--csv", scratch / "out.csv",
                                      "--pwl", scratch / "pwl", "--wave", scratch / "wave",
                                      "--plot", scratch / device.plotFile, "--sim", bench});
  ASSERT_EQ(run.status, 0) << run.err;

  const ExpectedAcquisition expected =
      ExpectFromBench(toml::parse_file(bench.string()), device.type);
  const CsvData csv = ReadCsv(scratch / "out.csv");
  ExpectCsvMatchesBench(csv, expected, device);
  ExpectPlotFile(scratch / device.plotFile);
  if (expected.xyMode) {
    // No time axis: no PWL source, and the user is told why.
    EXPECT_FALSE(std::filesystem::exists(scratch / "pwl"));
    EXPECT_FALSE(std::filesystem::exists(scratch / "wave"));
    EXPECT_NE(run.err.find("scopehost: no PWL files"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("scopehost: no waveform files"), std::string::npos) << run.err;
    return;
  }
  ExpectPwlDataMatchesCsv(scratch / "pwl", scratch / "wave", csv);
  ExpectNgspiceReadsPwlAndWave(scratch.path(), csv);
}

INSTANTIATE_TEST_SUITE_P(
    DefaultBench, EndToEnd,
    ::testing::Values(DeviceCase{"hameg1", 0, "0", "Hameg(DEV1) HM408", "plot.png"},
                      DeviceCase{"hameg2_xy", 1, "hameg2", "Hameg(DEV2) HM408", "plot.svg"},
                      DeviceCase{"tektronix", 2, "2", "Tektronix TDS540", "plot.png"},
                      DeviceCase{"philips", 3, "philips", "Philips(DEV8) PM3323", "plot.svg"}),
    [](const auto& instance) { return std::string(instance.param.label); });

TEST(Devices, ListsTheCatalogueWithShortNames) {
  const RunResult run = RunScopehost({"devices"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "0  hameg1     Hameg(DEV1) HM408\n"
            "1  hameg2     Hameg(DEV2) HM408\n"
            "2  tektronix  Tektronix TDS540\n"
            "3  philips    Philips(DEV8) PM3323\n");
}

TEST(Props, FixedSizesAndThePhilipsAnswerFromTheInstrument) {
  const ScratchDirectory scratch;
  const std::filesystem::path bench = UnpacedDefaultBench(scratch.path());
  const struct {
    std::vector<std::string> arguments;
    const char* points;
    const char* arrays;
  } cases[] = {
      {{"props", "hameg1"}, "4096", "3"},
      {{"props", "2"}, "20000", "5"},
      // Both PM3323 channels are on in the default bench.
      {{"props", "philips", "--sim", bench}, "2048", "3"},
  };
  for (const auto& props : cases) {
    const RunResult run = RunScopehost(props.arguments);
    ASSERT_EQ(run.status, 0) << props.arguments[1] << ": " << run.err;
    EXPECT_NE(run.out.find(std::string("points per channel: ") + props.points), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(std::string("arrays: ") + props.arrays), std::string::npos) << run.out;
  }
}

// The benches shipped with scopehost are found by name, with or without ".toml".
TEST(ShippedBenches, AreFoundByName) {
  for (const char* name : {"pm3323", "pm3323.toml"}) {
    const RunResult run = RunScopehost({"props", "philips", "--sim", name});
    EXPECT_EQ(run.status, 0) << name << ": " << run.err;
  }
}

}  // namespace
}  // namespace hosttest
