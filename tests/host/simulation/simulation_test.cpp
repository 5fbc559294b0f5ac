// Simulation results read back: files ngspice writes here, hand-made LTspice files and
// two-column files, and the one-line refusal of what cannot be read.
#include "simulation/simulation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace {

using scopehost::ParseSimulation;
using scopehost::Simulation;
using scopehost::SimulationError;

std::string ErrorOf(std::string_view bytes, const std::string& origin = "sim.raw") {
  try {
    ParseSimulation(bytes, origin);
  } catch (const SimulationError& error) {
    return error.what();
  }
  return "no error";
}

template <typename Number>
void Append(std::string& bytes, Number value) {
  char raw[sizeof value];
  std::memcpy(raw, &value, sizeof value);
  bytes.append(raw, sizeof value);
}

// Text as UTF-16LE, the way LTspice writes its header.
std::string Wide(std::string_view text) {
  std::string wide;
  for (char c : text) wide += {c, '\0'};
  return wide;
}

std::string LtspiceHeader(std::string_view flags, int points, std::string_view data) {
  return Wide(
      "Title: * rc.asc\nDate: Thu Dec 10 10:00:00 2026\nPlotname: Transient Analysis\n"
      "Flags: " +
      std::string(flags) + "\nNo. Variables: 3\nNo. Points: " + std::to_string(points) +
      "\nOffset:   0.0000000000000000e+000\n"
      "Command: Linear Technology Corporation LTspice\nVariables:\n"
      "\t0\ttime\ttime\n\t1\tV(in)\tvoltage\n\t2\tV(out)\tvoltage\n" +
      std::string(data) + "\n");
}

// Three points; the second's time negative, as LTspice's compressed time axis writes it.
constexpr double kTimes[] = {0.0, -1e-6, 2.5e-6};
constexpr double kIn[] = {0.0, 1.0, 1.0};
constexpr double kOut[] = {0.0, 0.25, 0.5};

std::string LtspiceBinary(std::string_view flags) {
  const bool doubles = flags.find("double") != std::string_view::npos;
  const auto value = [&](std::string& bytes, double v) {
    doubles ? Append(bytes, v) : Append(bytes, static_cast<float>(v));
  };
  std::string bytes = LtspiceHeader(flags, 3, "Binary:");
  if (flags.find("fastaccess") != std::string_view::npos) {
    for (double t : kTimes) Append(bytes, t);
    for (double v : kIn) value(bytes, v);
    for (double v : kOut) value(bytes, v);
    return bytes;
  }
  for (int p = 0; p < 3; ++p) {
    Append(bytes, kTimes[p]);
    value(bytes, kIn[p]);
    value(bytes, kOut[p]);
  }
  return bytes;
}

std::string LtspiceValues() {
  std::string values = "Values:";
  char line[100];
  for (int p = 0; p < 3; ++p) {
    std::snprintf(line, sizeof line, "\n%d\t%.16e\n\t%.16e\n\t%.16e\n", p, kTimes[p], kIn[p],
                  kOut[p]);
    values += line;
  }
  return LtspiceHeader("real forward", 3, values);
}

class Ltspice : public ::testing::TestWithParam<std::string> {};

TEST_P(Ltspice, TimeIsTheMagnitudeAndEveryVectorIsNamed) {
  const std::string bytes = GetParam() == "ascii" ? LtspiceValues() : LtspiceBinary(GetParam());
  const Simulation simulation = ParseSimulation(bytes, "rc.raw");
  EXPECT_THAT(simulation.time, ::testing::ElementsAre(0.0, 1e-6, 2.5e-6));
  ASSERT_EQ(simulation.vectors.size(), 2u);
  EXPECT_EQ(simulation.vectors[0].name, "V(in)");
  EXPECT_THAT(simulation.Find("v(out)")->values, ::testing::ElementsAre(0.0, 0.25, 0.5));
  EXPECT_EQ(simulation.Find("v(in)")->values[1], 1.0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Ltspice,
                         ::testing::Values("real forward", "real forward double",
                                           "real forward fastaccess", "ascii"));

// Whatever a raw file is cut to, the reader refuses it with its name and never reads past it.
TEST(RawFile, EveryTruncationIsRefusedByName) {
  const std::string whole = LtspiceBinary("real forward");
  for (size_t length = 0; length < whole.size(); ++length) {
    EXPECT_THAT(ErrorOf(whole.substr(0, length), "cut.raw"), ::testing::StartsWith("cut.raw: "))
        << length;
  }
}

struct Refusal {
  const char* name;
  std::string bytes;
  const char* message;
};

class Refusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refusals, OneLineNamingTheFileAndThePlace) {
  EXPECT_EQ(ErrorOf(GetParam().bytes), GetParam().message);
}

std::string NgspiceAscii(std::string_view flags, std::string_view first, std::string_view values) {
  return "Title: rc\nPlotname: Transient Analysis\nFlags: " + std::string(flags) +
         "\nNo. Variables: 2\nNo. Points: 2\nVariables:\n\t0\t" + std::string(first) +
         "\ttime\n\t1\tv(out)\tvoltage\nValues:\n" + std::string(values);
}

std::string TimeOverflow() {
  std::string bytes = LtspiceBinary("real forward double");
  const double huge = std::numeric_limits<double>::infinity();
  std::memcpy(bytes.data() + bytes.size() - 24, &huge, sizeof huge);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Refusals,
    ::testing::Values(
        Refusal{"Complex", NgspiceAscii("complex", "frequency", ""),
                "sim.raw: complex values (an AC or noise analysis): only a real transient "
                "analysis compares with a record"},
        Refusal{"NotTransient", NgspiceAscii("real", "v-sweep", ""),
                "sim.raw: the first variable is \"v-sweep\", not time: only a transient "
                "analysis compares with a record"},
        Refusal{"ValuesStop", NgspiceAscii("real", "time", "0 0 1\n1 1e-3\n"),
                "sim.raw: point 1 of v(out): the values stop"},
        Refusal{"HugeNumber", NgspiceAscii("real", "time", "0 0 1\n1 1e999 2\n"),
                "sim.raw: point 1 of time: \"1e999\" is not a finite number"},
        Refusal{"TimeFalls", NgspiceAscii("real", "time", "0 1 1\n1 0.5 2\n"),
                "sim.raw: point 1: the time goes back before the previous point's"},
        Refusal{"InfiniteBinaryTime", TimeOverflow(),
                "sim.raw: point 2: the time is not a finite number"},
        Refusal{"NoData", "Title: x\nNo. Points: 1\n",
                "sim.raw: the header ends without a \"Binary:\" or \"Values:\" line"},
        Refusal{"BadCount", "Title: x\nNo. Points: many\nBinary:\n",
                "sim.raw: header line \"No. Points:\" must hold a count above 0"},
        Refusal{"WaveformLine", "0 0\n1e-3 1\n2e-3\n",
                "sim.raw: line 3: expected a time and a value, two finite numbers"},
        Refusal{"WaveformTimeTooLarge", "0 0\n1e309 1\n",
                "sim.raw: line 2: expected a time and a value, two finite numbers"},
        Refusal{"WaveformEmpty", "* nothing\n\n", "sim.raw: no time and value in the file"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(WaveformFile, CommentsBlanksAndCommasAndTheStemAsName) {
  const Simulation simulation =
      ParseSimulation("* from a PWL file\n0 0.5\n\n1e-3, -0.25\r\n+2e-3\t1\n", "dir/ch2.txt");
  EXPECT_THAT(simulation.time, ::testing::ElementsAre(0.0, 1e-3, 2e-3));
  ASSERT_EQ(simulation.vectors.size(), 1u);
  EXPECT_EQ(simulation.vectors[0].name, "ch2");
  EXPECT_THAT(simulation.vectors[0].values, ::testing::ElementsAre(0.5, -0.25, 1.0));
}

// ngspice writes the same transient analysis as binary and as text; both read alike, and the
// RC charges as it must.
TEST(NgspiceRawFile, BinaryAndAsciiReadAlike) {
  if (std::string(NGSPICE_PROGRAM).empty()) GTEST_SKIP() << "ngspice is not installed";
  const auto directory = std::filesystem::path(::testing::TempDir()) / "ngspice-raw";
  std::filesystem::create_directories(directory);
  std::ofstream(directory / "rc.cir") << "rc\nV1 in 0 PULSE(0 2 0 1n 1n 1 2)\nR1 in out 1k\n"
                                         "C1 out 0 100n\n.control\nset filetype=binary\n"
                                         "tran 1u 500u\nwrite binary.raw v(in) v(out)\n"
                                         "set filetype=ascii\nwrite ascii.raw v(in) v(out)\n"
                                         ".endc\n.end\n";
  const std::string command =
      "cd '" + directory.string() + "' && " + NGSPICE_PROGRAM + " -b rc.cir > ngspice.log 2>&1";
  // ngspice -b ends with status 1 when a .control section ran the analysis; its files tell.
  [[maybe_unused]] const int status = std::system(command.c_str());
  const Simulation binary = scopehost::ReadSimulation(directory / "binary.raw");
  const Simulation ascii = scopehost::ReadSimulation(directory / "ascii.raw");
  ASSERT_GT(binary.time.size(), 100u);
  ASSERT_EQ(binary.time.size(), ascii.time.size());
  const auto& out = binary.Find("v(out)")->values;
  for (size_t p = 0; p < binary.time.size(); ++p) {
    EXPECT_NEAR(ascii.time[p], binary.time[p], 1e-14 + 1e-14 * binary.time[p]);
    EXPECT_NEAR(ascii.Find("v(out)")->values[p], out[p], 1e-13);
    EXPECT_NEAR(out[p], 2.0 * (1.0 - std::exp(-binary.time[p] / 100e-6)), 5e-3);
  }
}

TEST(ReadSimulation, MissingFileIsNamed) {
  EXPECT_THROW(
      {
        try {
          scopehost::ReadSimulation("/nonexistent/sim.raw");
        } catch (const SimulationError& error) {
          EXPECT_STREQ(error.what(), "/nonexistent/sim.raw: cannot open the file");
          throw;
        }
      },
      SimulationError);
}

}  // namespace
