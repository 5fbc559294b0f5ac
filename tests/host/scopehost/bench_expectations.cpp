#include "bench_expectations.h"

#include <cmath>
#include <stdexcept>

namespace hosttest {

namespace {

const toml::table& DeviceWhere(const toml::table& bench, const std::string& key,
                               const std::string& value) {
  if (const toml::array* devices = bench["device"].as_array()) {
    for (const toml::node& node : *devices) {
      const toml::table& device = *node.as_table();
      if (device[key].value_or(std::string()) == value) return device;
    }
  }
  throw std::runtime_error("the bench has no device with " + key + " = " + value);
}

double Number(const toml::table& table, const char* key, double fallback) {
  return table[key].value_or(fallback);
}

gpibsim::Signal SignalOf(const toml::table& channel) {
  const toml::table* signal = channel["signal"].as_table();
  return signal != nullptr ? gpibsim::SignalFromToml(*signal) : gpibsim::Signal{};
}

ExpectedColumn Column(const std::string& name, const toml::table& channel, double step) {
  const gpibsim::Signal signal = SignalOf(channel);
  return {name + " (V)", signal, step / 2.0 + signal.noise + 1e-12};
}

// HM408: 25.6 codes a division, 2048 points a channel with both on, else 4096, across ten
// divisions of the time base. In XY mode (both channels on) channel 1 is X and channel 2 Y.
ExpectedAcquisition Hm408(const toml::table& device) {
  std::vector<const toml::table*> channels;
  for (const char* key : {"ch1", "ch2"}) {
    const toml::table* channel = device[key].as_table();
    if (channel != nullptr && (*channel)["present"].value_or(true)) channels.push_back(channel);
  }
  ExpectedAcquisition expected;
  expected.points = channels.size() == 2 ? 2048 : 4096;
  expected.interval = Number(device, "time_per_div", 1e-3) * 10.0 / double(expected.points);
  expected.xyMode = device["xy"].value_or(false);
  if (expected.xyMode && channels.size() != 2) throw std::runtime_error("XY needs both channels");
  for (size_t k = 0; k < channels.size(); ++k) {
    const double step = Number(*channels[k], "volts_per_div", 1.0) / 25.6;
    const std::string name = expected.xyMode ? (k == 0 ? "X" : "Y") : "ch" + std::to_string(k + 1);
    ExpectedColumn column = Column(name, *channels[k], step);
    if (expected.xyMode && k == 0) {
      expected.xColumn = column;
    } else {
      expected.columns.push_back(column);
    }
  }
  return expected;
}

// TDS540: 6400 counts a division around the offset, 50 points a division.
ExpectedAcquisition Tds540(const toml::table& device) {
  ExpectedAcquisition expected;
  expected.points = static_cast<size_t>(device["record_length"].value_or(int64_t{500}));
  expected.interval = Number(device, "time_per_div", 1e-3) * 0.02;
  for (int k = 1; k <= 4; ++k) {
    const std::string name = "ch" + std::to_string(k);
    const toml::table* channel = device[name].as_table();
    if (channel == nullptr || !(*channel)["on"].value_or(true)) continue;
    expected.columns.push_back(
        Column(name, *channel, Number(*channel, "volts_per_div", 1.0) / 6400.0));
  }
  return expected;
}

double ProbeFactor(const toml::node* probe) {
  if (probe == nullptr) return 1.0;
  if (probe->is_number()) return probe->value_or(1.0);
  const std::string name = probe->value_or(std::string());
  if (name == "UNKNOWN" || name == "CURRENT") return 1.0;
  if (name == "LOW_1:100") return 100.0;
  if (name == "LOW_1:10") return 10.0;
  if (name == "HIGH_1:10" || name == "HIGH_1:100") return 1000.0;
  throw std::runtime_error("no expectation for probe " + name);
}

// PM3323: 102.4 counts a division of attenuation times probe factor; 4096 words shared by the
// channels that are on (channel B alone when none is), a point every time_base / 400.
ExpectedAcquisition Pm3323(const toml::table& device) {
  // A channel without a table is on, with the instrument's defaults.
  static const toml::table kDefaultChannel;
  const auto channelTable = [&](const char* key) {
    const toml::table* channel = device[key].as_table();
    return channel != nullptr ? channel : &kDefaultChannel;
  };
  std::vector<const toml::table*> stored;
  for (const char* key : {"a", "b"}) {
    if ((*channelTable(key))["on"].value_or(true)) stored.push_back(channelTable(key));
  }
  if (stored.empty()) stored.push_back(channelTable("b"));
  ExpectedAcquisition expected;
  expected.points = static_cast<size_t>(device["words"].value_or(int64_t{4096})) / stored.size();
  expected.interval = Number(device, "time_base", 1e-3) * 0.0025 * double(stored.size());
  for (size_t k = 0; k < stored.size(); ++k) {
    const double step =
        Number(*stored[k], "attenuation", 0.5) * ProbeFactor(stored[k]->get("probe")) / 102.4;
    expected.columns.push_back(Column("ch" + std::to_string(k + 1), *stored[k], step));
  }
  return expected;
}

}  // namespace

ExpectedAcquisition ExpectFromBench(const toml::table& bench, int type) {
  switch (type) {
    case 0:
      return Hm408(DeviceWhere(bench, "name", "DEV1"));
    case 1:
      return Hm408(DeviceWhere(bench, "name", "DEV2"));
    case 2:
      return Tds540(DeviceWhere(bench, "model", "tds540"));
    case 3:
      return Pm3323(DeviceWhere(bench, "name", "DEV8"));
  }
  throw std::runtime_error("no device type " + std::to_string(type));
}

}  // namespace hosttest
