#include "bench.h"

#include <algorithm>
#include <set>

#include "bench_signal.h"
#include "model_registry.h"

namespace gpibsim {

namespace {

// Messages are one line, whatever a parser or a model put in them.
std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// "device 2 (model "hm408", address 7)", with what the table tells of itself.
std::string DeviceLabel(size_t index, const toml::table& table) {
  std::string details;
  if (auto model = table["model"].value<std::string>()) details = "model \"" + *model + "\"";
  if (auto address = table["address"].value<int64_t>()) {
    details += (details.empty() ? "" : ", ") + std::string("address ") + std::to_string(*address);
  }
  std::string label = "device " + std::to_string(index + 1);
  return details.empty() ? label : label + " (" + details + ")";
}

class BenchReader {
 public:
  explicit BenchReader(const std::string& origin) : origin_(origin) {}

  Bench Read(std::string_view text) {
    const toml::table root = Parse(text);
    for (const auto& [key, node] : root) {
      if (key != "transfer_rate" && key != "device") {
        Fail("unknown key \"" + std::string(key.str()) + "\" (transfer_rate, [[device]])");
      }
    }
    Bench bench;
    bench.transferRate = TransferRate(root);
    if (const toml::node* devices = root.get("device")) {
      const toml::array* list = devices->as_array();
      if (list == nullptr) Fail("key \"device\" must be an array of tables ([[device]])");
      for (size_t i = 0; i < list->size(); ++i) {
        const toml::table* table = (*list)[i].as_table();
        if (table == nullptr) Fail("key \"device\" must be an array of tables ([[device]])");
        bench.devices.push_back(PlaceDevice(i, *table));
      }
    }
    return bench;
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const {
    throw BenchError(OneLine(origin_ + ": " + message));
  }

  toml::table Parse(std::string_view text) const {
    try {
      return toml::parse(text, origin_);
    } catch (const toml::parse_error& error) {
      const auto& begin = error.source().begin;
      throw BenchError(OneLine(origin_ + ":" + std::to_string(begin.line) + ":" +
                               std::to_string(begin.column) + ": " +
                               std::string(error.description())));
    }
  }

  double TransferRate(const toml::table& root) const {
    const toml::node* node = root.get("transfer_rate");
    if (node == nullptr) return 0.0;
    const auto rate = node->value<double>();
    if (!node->is_number() || !rate || !(*rate >= 0.0)) {
      Fail("key \"transfer_rate\" must be a number of bytes per second, 0 or more");
    }
    return *rate;
  }

  Bench::PlacedDevice PlaceDevice(size_t index, const toml::table& table) {
    const std::string label = DeviceLabel(index, table);
    Bench::PlacedDevice placed;
    const auto model = table["model"].value<std::string>();
    if (!model) Fail(label + ": key \"model\" must name an instrument model");
    const ModelFactory* factory = FindModel(*model);
    if (factory == nullptr) Fail(label + ": key \"model\": unknown model \"" + *model + "\"");

    const auto pad = table["address"].value<int64_t>();
    if (!table["address"].is_integer() || !pad || *pad < Bus::kFirstAddress ||
        *pad > Bus::kLastAddress) {
      Fail(label + ": key \"address\" must be an integer from 1 to 30");
    }
    placed.pad = static_cast<int32_t>(*pad);
    placed.sad = SecondaryAddress(label, table);
    if (Taken(placed)) {
      Fail(label + ": key \"address\": address " + AddressText(placed) + " is taken");
    }
    addresses_.emplace_back(placed.pad, placed.sad);

    if (const toml::node* name = table.get("name")) {
      const auto text = name->value<std::string>();
      if (!name->is_string() || text->empty()) Fail(label + ": key \"name\" must be a name");
      if (!names_.insert(*text).second) {
        Fail(label + ": key \"name\": \"" + *text + "\" names another device");
      }
      placed.name = *text;
    }

    try {
      placed.device = (*factory)(WithSignalInputsResolved(table));
    } catch (const std::exception& error) {
      Fail(label + ": " + error.what());
    }
    if (!placed.device) Fail(label + ": the model built no device");
    return placed;
  }

  // The optional "secondary" key: 0 to 30, on the bus 0x60 + n; none without the key.
  int32_t SecondaryAddress(const std::string& label, const toml::table& table) const {
    const toml::node* node = table.get("secondary");
    if (node == nullptr) return 0;
    const auto sad = node->value<int64_t>();
    if (!node->is_integer() || !sad || *sad < 0 || *sad > kLastPrimaryAddress) {
      Fail(label + ": key \"secondary\" must be an integer from 0 to 30");
    }
    return kFirstSecondaryAddress + static_cast<int32_t>(*sad);
  }

  // A device without a secondary address takes its whole primary address.
  bool Taken(const Bench::PlacedDevice& placed) const {
    return std::any_of(addresses_.begin(), addresses_.end(), [&](const auto& address) {
      return address.first == placed.pad &&
             (address.second == placed.sad || address.second == 0 || placed.sad == 0);
    });
  }

  // "7", or "7/3" with a secondary address. Appended piece by piece: GCC 12 warns falsely
  // (-Wrestrict) at -O2 on a string added to a conditional one.
  static std::string AddressText(const Bench::PlacedDevice& placed) {
    std::string text = std::to_string(placed.pad);
    if (placed.sad != 0)
      text.append("/").append(std::to_string(placed.sad - kFirstSecondaryAddress));
    return text;
  }

  std::string origin_;
  std::vector<std::pair<int32_t, int32_t>> addresses_;  // primary and secondary, as placed
  std::set<std::string> names_;
};

}  // namespace

Bench ParseBench(std::string_view text, const std::string& origin) {
  return BenchReader(origin).Read(text);
}

void InstallBench(Bench bench, Bus& bus) {
  bus.Reset();
  bus.SetTransferRate(bench.transferRate);
  for (Bench::PlacedDevice& placed : bench.devices) {
    if (!placed.name.empty()) bus.Name(placed.name, placed.pad, placed.sad);
    bus.Attach(placed.pad, std::move(placed.device), placed.sad);
  }
}

}  // namespace gpibsim
