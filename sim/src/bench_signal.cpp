#include "bench_signal.h"

#include <bit>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace gpibsim {

namespace {

// Fraction of the period reached at time t, in [0, 1).
double CyclePosition(double frequency, double phaseDegrees, double t) {
  const double cycles = frequency * t + phaseDegrees / 360.0;
  return cycles - std::floor(cycles);
}

// A triangle in step with a sine: 0 rising to +1 at a quarter period, -1 at three quarters.
double Triangle(double position) {
  if (position < 0.25) return 4.0 * position;
  if (position < 0.75) return 2.0 - 4.0 * position;
  return 4.0 * position - 4.0;
}

// Uniform in [-1, 1], a fixed function of the seed and the time's bit pattern (splitmix64).
double Noise(uint32_t seed, double t) {
  uint64_t z = std::bit_cast<uint64_t>(t) ^ (uint64_t{seed} << 32 | seed);
  z += 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) / static_cast<double>(1ULL << 53) * 2.0 - 1.0;
}

double NumberKey(const toml::table& table, std::string_view key, double fallback) {
  const toml::node* node = table.get(key);
  if (node == nullptr) return fallback;
  if (auto value = node->value<double>(); node->is_number() && value) return *value;
  throw std::runtime_error("signal key \"" + std::string(key) + "\" must be a number");
}

Shape ShapeByName(std::string_view name) {
  if (name == "sine") return Shape::kSine;
  if (name == "square") return Shape::kSquare;
  if (name == "triangle") return Shape::kTriangle;
  if (name == "noisy_sine") return Shape::kNoisySine;
  if (name == "dc") return Shape::kDc;
  throw std::runtime_error("signal key \"shape\": unknown shape \"" + std::string(name) +
                           "\" (sine, square, triangle, noisy_sine, dc)");
}

}  // namespace

double Signal::At(double t) const {
  const double position = CyclePosition(frequency, phase, t);
  switch (shape) {
    case Shape::kDc:
      return offset + amplitude;
    case Shape::kSine:
      return offset + amplitude * std::sin(2.0 * std::numbers::pi * position);
    case Shape::kSquare:
      return offset + (position < 0.5 ? amplitude : -amplitude);
    case Shape::kTriangle:
      return offset + amplitude * Triangle(position);
    case Shape::kNoisySine:
      return offset + amplitude * std::sin(2.0 * std::numbers::pi * position) +
             noise * Noise(seed, t);
  }
  return offset;
}

Signal SignalFromToml(const toml::table& table) {
  Signal signal;
  if (const toml::node* shape = table.get("shape")) {
    const auto name = shape->value<std::string>();
    if (!name) throw std::runtime_error("signal key \"shape\" must be a string");
    signal.shape = ShapeByName(*name);
  }
  signal.amplitude = NumberKey(table, "amplitude", signal.amplitude);
  signal.frequency = NumberKey(table, "frequency", signal.frequency);
  signal.offset = NumberKey(table, "offset", signal.offset);
  signal.phase = NumberKey(table, "phase", signal.phase);
  signal.noise = NumberKey(table, "noise", signal.noise);
  if (const toml::node* seed = table.get("seed")) {
    const auto value = seed->value<int64_t>();
    if (!seed->is_integer() || !value || *value < 0 || *value > UINT32_MAX) {
      throw std::runtime_error("signal key \"seed\" must be an integer from 0 to 4294967295");
    }
    signal.seed = static_cast<uint32_t>(*value);
  }
  return signal;
}

}  // namespace gpibsim
