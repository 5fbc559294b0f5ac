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
  if (name == "rc_lowpass") return Shape::kRcLowPass;
  throw std::runtime_error("signal key \"shape\": unknown shape \"" + std::string(name) +
                           "\" (sine, square, triangle, noisy_sine, dc, rc_lowpass)");
}

// The periodic steady state of a first-order low-pass with time constant tau behind a square
// wave of +-1: each half period an exponential from -y0 towards +1 (or from +y0 towards -1),
// where y0 = tanh(half / (2 tau)) is the level both halves end on.
double UnitSquareResponse(double frequency, double position, double tau) {
  const double half = 0.5 / frequency;
  const double y0 = std::tanh(half / (2.0 * tau));
  const bool high = position < 0.5;
  const double elapsed = (high ? position : position - 0.5) / frequency;
  const double target = high ? 1.0 : -1.0;
  return target - target * (1.0 + y0) * std::exp(-elapsed / tau);
}

// The low-pass's response to a dc, sine or square input, exact in closed form.
double RcResponse(const Signal& input, double tau, double t) {
  if (input.frequency <= 0.0) return input.At(t);
  const double position = CyclePosition(input.frequency, input.phase, t);
  switch (input.shape) {
    case Shape::kSine: {
      const double omegaTau = 2.0 * std::numbers::pi * input.frequency * tau;
      const double gain = 1.0 / std::hypot(1.0, omegaTau);
      return input.offset + input.amplitude * gain *
                                std::sin(2.0 * std::numbers::pi * position - std::atan(omegaTau));
    }
    case Shape::kSquare:
      return input.offset + input.amplitude * UnitSquareResponse(input.frequency, position, tau);
    default:
      return input.At(t);
  }
}

// Reads an rc_lowpass table's own keys; its input is a dc, sine or square signal.
void ReadLowPass(const toml::table& table, Signal& signal) {
  signal.timeConstant = NumberKey(table, "time_constant", 0.0);
  if (!(signal.timeConstant > 0.0) || !std::isfinite(signal.timeConstant)) {
    throw std::runtime_error("signal key \"time_constant\" must be a number of seconds above 0");
  }
  const toml::table* input = table["input"].as_table();
  if (input == nullptr) {
    throw std::runtime_error("signal key \"input\" must be a signal table or name a channel");
  }
  Signal source = SignalFromToml(*input);
  if (source.shape != Shape::kDc && source.shape != Shape::kSine &&
      source.shape != Shape::kSquare) {
    throw std::runtime_error("signal key \"input\": an rc_lowpass input is dc, sine or square");
  }
  signal.input = std::make_shared<const Signal>(std::move(source));
}

// The signal table a channel name stands for in a device table, or null.
const toml::table* ChannelSignal(const toml::table& device, std::string_view name) {
  const toml::table* channel = device[name].as_table();
  return channel == nullptr ? nullptr : channel->get_as<toml::table>("signal");
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
    case Shape::kRcLowPass:
      return RcResponse(*input, timeConstant, t);
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
  if (signal.shape == Shape::kRcLowPass) {
    ReadLowPass(table, signal);
    return signal;
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

toml::table WithSignalInputsResolved(const toml::table& device) {
  toml::table resolved = device;
  for (auto& [key, node] : resolved) {
    toml::table* channel = node.as_table();
    toml::table* signal = channel == nullptr ? nullptr : channel->get_as<toml::table>("signal");
    const auto name = signal == nullptr ? std::nullopt : (*signal)["input"].value<std::string>();
    if (!name) continue;
    const toml::table* source = ChannelSignal(device, *name);
    if (source == nullptr) {
      throw std::runtime_error(std::string(key.str()) + ".signal key \"input\": \"" + *name +
                               "\" is no channel of this device with a signal");
    }
    signal->insert_or_assign("input", *source);
  }
  return resolved;
}

}  // namespace gpibsim
