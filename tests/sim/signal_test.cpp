// The bench's signals, which every instrument model samples.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "bench_signal.h"

namespace {

using gpibsim::Shape;
using gpibsim::Signal;

Signal Make(Shape shape) {
  Signal signal;
  signal.shape = shape;
  signal.amplitude = 2.0;
  signal.frequency = 1000.0;
  signal.offset = 0.5;
  return signal;
}

struct Sample {
  Shape shape;
  double t;
  double volts;
};

class Shapes : public ::testing::TestWithParam<Sample> {};

TEST_P(Shapes, ValueAtKeyPointsOfThePeriod) {
  EXPECT_NEAR(Make(GetParam().shape).At(GetParam().t), GetParam().volts, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Period, Shapes,
    ::testing::Values(Sample{Shape::kSine, 0.0, 0.5}, Sample{Shape::kSine, 0.25e-3, 2.5},
                      Sample{Shape::kSine, 0.75e-3, -1.5}, Sample{Shape::kSquare, 0.1e-3, 2.5},
                      Sample{Shape::kSquare, 0.6e-3, -1.5}, Sample{Shape::kTriangle, 0.0, 0.5},
                      Sample{Shape::kTriangle, 0.25e-3, 2.5}, Sample{Shape::kTriangle, 0.5e-3, 0.5},
                      Sample{Shape::kTriangle, 0.75e-3, -1.5},
                      Sample{Shape::kTriangle, 1.25e-3, 2.5}, Sample{Shape::kDc, 0.3e-3, 2.5}));

TEST(Signal, PhaseShiftsByDegrees) {
  Signal signal = Make(Shape::kSine);
  signal.phase = 90.0;
  EXPECT_NEAR(signal.At(0.0), 2.5, 1e-9);
}

TEST(Signal, NoiseIsBoundedAndRepeatsForTheSameSeedAndTime) {
  Signal noisy = Make(Shape::kNoisySine);
  noisy.noise = 0.1;
  noisy.seed = 7;
  Signal otherSeed = noisy;
  otherSeed.seed = 8;
  const Signal clean = Make(Shape::kSine);
  int differing = 0;
  for (int i = 0; i < 1000; ++i) {
    const double t = i * 1.3e-6;
    EXPECT_LE(std::abs(noisy.At(t) - clean.At(t)), 0.1);
    EXPECT_EQ(noisy.At(t), noisy.At(t));
    if (noisy.At(t) != otherSeed.At(t)) ++differing;
  }
  EXPECT_GT(differing, 990);
}

TEST(SignalFromToml, ReadsEveryKeyAndAcceptsIntegers) {
  const toml::table table{{"shape", "triangle"}, {"amplitude", 3}, {"frequency", 50.0},
                          {"offset", -1.0},      {"phase", 45},    {"noise", 0.0},
                          {"seed", 99}};
  const Signal signal = gpibsim::SignalFromToml(table);
  EXPECT_EQ(signal.shape, Shape::kTriangle);
  EXPECT_EQ(signal.amplitude, 3.0);
  EXPECT_EQ(signal.frequency, 50.0);
  EXPECT_EQ(signal.offset, -1.0);
  EXPECT_EQ(signal.phase, 45.0);
  EXPECT_EQ(signal.seed, 99u);
}

TEST(SignalFromToml, BadValuesNameTheKey) {
  const auto messageFor = [](const toml::table& table) -> std::string {
    try {
      gpibsim::SignalFromToml(table);
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return "no error";
  };
  EXPECT_EQ(messageFor(toml::table{{"shape", "sawtooth"}}),
            "signal key \"shape\": unknown shape \"sawtooth\" (sine, square, triangle, "
            "noisy_sine, dc)");
  EXPECT_EQ(messageFor(toml::table{{"amplitude", "big"}}),
            "signal key \"amplitude\" must be a number");
  EXPECT_EQ(messageFor(toml::table{{"seed", -1}}),
            "signal key \"seed\" must be an integer from 0 to 4294967295");
}

}  // namespace
