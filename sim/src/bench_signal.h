// The bench's signals: what an input of a simulated instrument sees at time t.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <toml++/toml.h>

namespace gpibsim {

enum class Shape { kDc, kSine, kSquare, kTriangle, kNoisySine, kRcLowPass };

struct Signal {
  Shape shape = Shape::kSine;
  double amplitude = 1.0;    // volts, peak
  double frequency = 1.0e3;  // hertz
  double offset = 0.0;       // volts
  double phase = 0.0;        // degrees
  double noise = 0.0;        // volts, peak of the uniform noise on a noisy sine
  uint32_t seed = 1;
  // An RC low-pass: its input signal and time constant (seconds); the output is the input's
  // steady-state response, so every record of a periodic input shows the same waveform.
  std::shared_ptr<const Signal> input;
  double timeConstant = 0.0;

  // Volts at time t (seconds). Noise is a fixed function of t and the seed, so a model
  // gives the same samples on every run.
  double At(double t) const;
};

// dc is the constant amplitude + offset; the periodic shapes start at phase 0 like a sine.
// Reads a signal table: { shape = "sine" | "square" | "triangle" | "noisy_sine" | "dc",
// amplitude, frequency, offset, phase, noise, seed } or { shape = "rc_lowpass",
// time_constant, input = a dc, sine or square signal table }. Throws std::runtime_error on a
// bad shape name or key.
Signal SignalFromToml(const toml::table& table);

// A device table with every rc_lowpass "input" that names one of the device's own tables
// ("ch1") replaced by that table's signal, so two inputs can see a signal and its response.
// Throws std::runtime_error naming the input that names no signal.
toml::table WithSignalInputsResolved(const toml::table& device);

}  // namespace gpibsim
