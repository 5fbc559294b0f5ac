// Writes the fuzz targets' seed corpora from the simulated instruments: each seed is one
// acquisition against a model bench, its reads recorded reply by reply in the targets' input
// format (fuzz_script.h), with no faults planned.
//
//   make_seeds <directory>     writes <directory>/<target>/<seed> for hameg, philips,
//                              tektronix and scan
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_script.h"
#include "gpib/gpib_api.h"
#include "instruments/hameg/hameg_driver.h"
#include "instruments/philips/philips_driver.h"
#include "instruments/tektronix/tektronix_driver.h"
#include "instruments/tektronix_scan/tektronix_scanner.h"
#include "platform/posix/terminal_dialog.h"
#include "support/module_harness.h"

namespace {

using fuzzing::Bytes;

// The replies of every read, in the order the driver made them (a failed read gives none).
std::vector<Bytes> recorded;
IbrdFn realIbrd = nullptr;
ReceiveFn realReceive = nullptr;

void Record(const void* buffer, int32_t count) {
  const bool failed = (*Gpib.ibsta & ERR) != 0;
  const int32_t received = failed ? 0 : std::clamp(*Gpib.ibcntl, 0, count);
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  recorded.emplace_back(bytes, bytes + received);
}

int32_t RecordingIbrd(int32_t ud, void* buffer, int32_t count) {
  const int32_t status = realIbrd(ud, buffer, count);
  Record(buffer, count);
  return status;
}

void RecordingReceive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                      int32_t termination) {
  realReceive(board, address, buffer, count, termination);
  Record(buffer, count);
}

// Keys typed into the chooser, then the console closes.
class TypedKeys final : public DialogConsole {
 public:
  explicit TypedKeys(std::string keys) : keys_(std::move(keys)) {}
  void Draw(const std::vector<std::string>&) override {}
  int ReadByte(bool) override {
    return next_ < keys_.size() ? static_cast<uint8_t>(keys_[next_++]) : kClosed;
  }

 private:
  std::string keys_;
  size_t next_ = 0;
};

// Runs one acquisition against the bench and returns its reads.
std::vector<Bytes> Acquire(const std::string& bench, const std::function<void()>& acquisition) {
  testing_support::SimBus bus;
  bus.LoadBench(bench);
  gpibsim_set_transfer_rate(0.0);
  testing_support::BoundGpib gpib;
  testing_support::ModuleHost host;
  realIbrd = std::exchange(Gpib.ibrd, &RecordingIbrd);
  realReceive = std::exchange(Gpib.Receive, &RecordingReceive);
  recorded.clear();
  acquisition();
  return recorded;
}

struct SeedFile {
  std::filesystem::path directory;
  void Write(const std::string& name, const fuzzing::ScriptWriter& options,
             const std::vector<Bytes>& reads) const {
    fuzzing::ScriptWriter seed = options;
    seed.Faults({});
    for (const Bytes& reply : reads) seed.Blob(reply);
    std::filesystem::create_directories(directory);
    std::ofstream out(directory / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(seed.bytes().data()),
              static_cast<std::streamsize>(seed.bytes().size()));
  }
};

std::string Device(const std::string& model, int pad, const std::string& rest) {
  return "[[device]]\nmodel = \"" + model + "\"\naddress = " + std::to_string(pad) + "\n" + rest;
}

void HamegSeeds(const SeedFile& out) {
  const std::string ch1 =
      "[device.ch1]\nvolts_per_div = 0.5\n[device.ch1.signal]\nshape = \"sine\"\n";
  const std::string ch2 =
      "[device.ch2]\nvolts_per_div = 2.0\n[device.ch2.signal]\nshape = \"square\"\n";
  const std::vector<std::pair<std::string, std::string>> benches = {
      {"both_channels", "time_per_div = 5e-6\n" + ch1 + ch2},
      {"xy_mode", "xy = true\n" + ch1 + ch2},
      {"channel1", ch1},
      {"channel2", ch2},
      {"no_channel", ""},
  };
  for (const auto& [name, rest] : benches) {
    const auto reads = Acquire(Device("hm408", 1, "name = \"DEV1\"\n" + rest), [] {
      testing_support::HostArrays arrays(4096);
      int32_t points = 0;
      int16_t channels = 0;
      HamegDriver(&arrays.buffers, &points, &channels, "DEV1");
    });
    out.Write(name, {}, reads);
  }
}

void PhilipsSeeds(const SeedFile& out) {
  auto channel = [](const char* name, bool on, const char* probe) {
    return std::string("[device.") + name + "]\non = " + (on ? "true" : "false") +
           "\nattenuation = 0.2\nprobe = " + probe + "\n[device." + name +
           ".signal]\nshape = \"triangle\"\n";
  };
  // The probe and the acquisition see the same instrument, except where `changed` switches
  // channel B between them.
  struct Row {
    const char* name;
    std::string rest;
    std::string changed;
  };
  const std::string plainA = channel("a", true, "\"LOW_1:10\"");
  const std::vector<Row> rows = {
      {"both", plainA + channel("b", true, "\"UNKNOWN\""), ""},
      {"a_only", channel("a", true, "\"HIGH_1:100\"") + channel("b", false, "2.5"), ""},
      {"b_only", channel("a", false, "\"CURRENT\"") + channel("b", true, "\"LOW_1:100\""), ""},
      {"neither", channel("a", false, "1") + channel("b", false, "\"HV_ISOLATION\""), ""},
      {"b_switched_off", plainA + channel("b", true, "10"), plainA + channel("b", false, "10")},
      {"b_switched_on", plainA + channel("b", false, "10"), plainA + channel("b", true, "10")},
  };
  const std::string device = Device("pm3323", 8, "name = \"DEV8\"\ntime_base = 2e-3\n");
  for (const Row& row : rows) {
    auto reads = Acquire(device + row.rest, [] {
      bool both = false;
      PhilipsChannelProbe("DEV8", &both);
    });
    const auto acquisition = Acquire(device + (row.changed.empty() ? row.rest : row.changed), [] {
      testing_support::HostArrays arrays(4096);
      PhilipsDriver(&arrays.buffers, nullptr, nullptr, "DEV8");
    });
    reads.insert(reads.end(), acquisition.begin(), acquisition.end());
    out.Write(row.name, {}, reads);
  }
}

void TektronixSeeds(const SeedFile& out) {
  auto channel = [](int number, const char* shape) {
    const std::string table = "device.ch" + std::to_string(number);
    return "[" + table + "]\nvolts_per_div = 0.5\noffset = 0.1\n[" + table +
           ".signal]\nshape = \"" + shape + "\"\namplitude = 1.0\n";
  };
  struct Row {
    const char* name;
    int16_t hostChannels;
    std::string rest;
  };
  const std::vector<Row> rows = {
      {"four_channels_20000", 5,
       "record_length = 20000\n" + channel(1, "sine") + channel(2, "square") +
           channel(3, "triangle") + channel(4, "noisy_sine")},
      {"one_channel_500", 5, "record_length = 500\n" + channel(1, "sine")},
      {"headers_on", 5, "header = true\nrecord_length = 100\n" + channel(2, "square")},
      {"three_arrays", 3, "record_length = 1000\n" + channel(1, "sine") + channel(3, "sine")},
      {"longer_than_the_host", 5, "record_length = 25000\n" + channel(1, "triangle")},
  };
  constexpr int kPad = 5;
  for (const Row& row : rows) {
    const int16_t hostChannels = row.hostChannels;
    const auto reads = Acquire(Device("tds540", kPad, row.rest), [hostChannels] {
      testing_support::HostArrays arrays(20000);
      int32_t points = 0;
      int16_t channels = hostChannels;
      TektronixDriver(&arrays.buffers, &points, &channels, kPad);
    });
    fuzzing::ScriptWriter options;
    options.U16(static_cast<uint16_t>(row.hostChannels));
    options.Byte(kPad - 1);  // the target's pad is 1 + this byte
    options.Byte(0);         // the driver is given the pad itself
    options.U32(0);
    out.Write(row.name, options, reads);
    if (row.hostChannels == 5 && reads.size() == 8) {
      // One channel whose curve fills a whole read and more, so the driver reads again. The
      // model never sends more than the host's 20000 points; the seed stretches the curve to
      // 60001 (the writer repeats its start).
      std::vector<Bytes> longer = reads;
      longer.back().resize(2 * 60001 + 1);
      out.Write(std::string(row.name) + "_beyond_one_read", options, longer);
    }
  }
}

void ScanSeeds(const SeedFile& out) {
  struct Row {
    const char* name;
    std::vector<std::pair<const char*, int>> devices;
    std::string keys;
  };
  const std::vector<Row> rows = {
      {"one_tektronix", {{"tds540", 5}, {"multimeter", 12}}, ""},
      {"three_choose_second", {{"tds540", 4}, {"tds540", 9}, {"tds540", 17}}, "\x1b[B\r"},
      {"three_typed_line", {{"tds540", 4}, {"tds540", 9}, {"tds540", 17}}, "3\r"},
      {"two_cancelled", {{"tds540", 2}, {"tds540", 30}}, "\x1b"},
      {"no_tektronix", {{"multimeter", 12}}, ""},
      {"mute_listener", {{"tds540", 3}, {"mute", 7}}, ""},
  };
  for (const Row& row : rows) {
    std::string bench;
    uint32_t listeners = 0;
    for (const auto& [model, pad] : row.devices) {
      bench += Device(model, pad, "");
      listeners |= 1u << pad;
    }
    const std::string keys = row.keys;
    const auto reads = Acquire(bench, [&keys] {
      SetDialogConsoleOpener([&keys] { return std::make_unique<TypedKeys>(keys); });
      int16_t address = 0;
      TektronixScanner("TEKTRONIX", &address);
      SetDialogConsoleOpener({});
    });
    fuzzing::ScriptWriter options;
    options.U32(listeners);
    options.Blob({reinterpret_cast<const uint8_t*>(keys.data()), keys.size()});
    out.Write(row.name, options, reads);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];
  try {
    HamegSeeds({root / "hameg"});
    PhilipsSeeds({root / "philips"});
    TektronixSeeds({root / "tektronix"});
    ScanSeeds({root / "scan"});
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_seeds: %s\n", error.what());
    return 1;
  }
  return 0;
}
