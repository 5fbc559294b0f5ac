// The bench's signals: what an input of a simulated instrument sees at time t.
#pragma once

#include <cstdint>
#include <string>

#include <toml++/toml.h>

namespace gpibsim {

enum class Shape { kDc, kSine, kSquare, kTriangle, kNoisySine };

struct Signal {
  Shape shape = Shape::kSine;
  double amplitude = 1.0;    // volts, peak
  double frequency = 1.0e3;  // hertz
  double offset = 0.0;       // volts
  double phase = 0.0;        // degrees
  double noise = 0.0;        // volts, peak of the uniform noise on a noisy sine
  uint32_t seed = 1;

  // Volts at time t (seconds). Noise is a fixed function of t and the seed, so a model
  // gives the same samples on every run.
  double At(double t) const;
};

// dc is the constant amplitude + offset; the periodic shapes start at phase 0 like a sine.
// Reads a signal table: { shape = "sine" | "square" | "triangle" | "noisy_sine" | "dc",
// amplitude, frequency, offset, phase, noise, seed }. Throws std::runtime_error on a bad
// shape name.
Signal SignalFromToml(const toml::table& table);

}  // namespace gpibsim
