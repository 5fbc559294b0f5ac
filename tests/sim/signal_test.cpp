// The bench's signals, which every instrument model samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <tuple>

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
            "noisy_sine, dc, rc_lowpass)");
  EXPECT_EQ(messageFor(toml::table{{"amplitude", "big"}}),
            "signal key \"amplitude\" must be a number");
  EXPECT_EQ(messageFor(toml::table{{"seed", -1}}),
            "signal key \"seed\" must be an integer from 0 to 4294967295");
  EXPECT_EQ(messageFor(toml::table{{"shape", "rc_lowpass"}, {"time_constant", 0.0}}),
            "signal key \"time_constant\" must be a number of seconds above 0");
  EXPECT_EQ(messageFor(toml::table{{"shape", "rc_lowpass"}, {"time_constant", 1e-3}}),
            "signal key \"input\" must be a signal table or name a channel");
  EXPECT_EQ(messageFor(toml::table{{"shape", "rc_lowpass"},
                                   {"time_constant", 1e-3},
                                   {"input", toml::table{{"shape", "triangle"}}}}),
            "signal key \"input\": an rc_lowpass input is dc, sine or square");
}

// The low-pass output obeys tau y' = x - y: stepped with Runge-Kutta from its own value, it
// stays on the closed form across edges and periods, for time constants short and long
// against the period.
class LowPass : public ::testing::TestWithParam<std::tuple<Shape, double>> {};

TEST_P(LowPass, FollowsItsDifferentialEquation) {
  const auto [shape, tau] = GetParam();
  const Signal input = Make(shape);
  Signal output;
  output.shape = Shape::kRcLowPass;
  output.timeConstant = tau;
  output.input = std::make_shared<const Signal>(input);
  // Steps end on the square's edges, so each step sees a smooth input.
  const double step = 1e-3 / 2000;
  const auto slope = [&](double t, double y) { return (input.At(t) - y) / tau; };
  double y = output.At(0.0);
  double worst = 0.0;
  for (int i = 0; i < 6000; ++i) {
    const double t = i * step;
    const double tIn = t + 1e-12, tOut = t + step - 1e-12;
    const double k1 = slope(tIn, y), k2 = slope(t + step / 2, y + step / 2 * k1);
    const double k3 = slope(t + step / 2, y + step / 2 * k2), k4 = slope(tOut, y + step * k3);
    y += step / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
    worst = std::max(worst, std::abs(y - output.At(t + step)));
  }
  EXPECT_LT(worst, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(ShapesAndTimeConstants, LowPass,
                         ::testing::Combine(::testing::Values(Shape::kSquare, Shape::kSine,
                                                              Shape::kDc),
                                            ::testing::Values(20e-6, 200e-6, 5e-3)));

TEST(WithSignalInputsResolved, ChannelNameBecomesThatChannelsSignal) {
  const toml::table square{{"shape", "square"}, {"amplitude", 2.0}};
  const toml::table rc{{"shape", "rc_lowpass"}, {"time_constant", 1e-4}, {"input", "ch1"}};
  const toml::table device{{"ch1", toml::table{{"signal", square}}},
                           {"ch2", toml::table{{"signal", rc}}}};
  const toml::table resolved = gpibsim::WithSignalInputsResolved(device);
  const Signal output = gpibsim::SignalFromToml(*resolved["ch2"]["signal"].as_table());
  ASSERT_NE(output.input, nullptr);
  EXPECT_EQ(output.input->amplitude, 2.0);

  const toml::table dangling{{"ch2", toml::table{{"signal", rc}}}};
  EXPECT_THROW(
      {
        try {
          gpibsim::WithSignalInputsResolved(dangling);
        } catch (const std::runtime_error& error) {
          EXPECT_STREQ(error.what(),
                       "ch2.signal key \"input\": \"ch1\" is no channel of this device with a "
                       "signal");
          throw;
        }
      },
      std::runtime_error);
}

}  // namespace
