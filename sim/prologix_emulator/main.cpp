// gpib-controller-emulator: a bench's instruments behind an emulated Prologix (or AR488)
// controller, on a TCP port of 127.0.0.1 or on a pseudo-terminal, for the bridge's tests and
// for trying scopehost without hardware. The first line on stdout says where it listens.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>

#include "bench.h"
#include "fault_option.h"
#include "link.h"
#include "simulator.h"

namespace {

using gpibsim::controller::Fault;
using gpibsim::controller::Flavour;

// "drop:N", "stall:N" or "garbage:N": the first connection's fault from output byte N on.
std::string ParseFault(const std::string& text, Fault& fault) {
  static const std::map<std::string, Fault::Kind> kKinds = {{"drop", Fault::Kind::kDrop},
                                                            {"stall", Fault::Kind::kStall},
                                                            {"garbage", Fault::Kind::kGarbage}};
  return gpibsim::ParseFaultOption(text, kKinds, "drop:N, stall:N or garbage:N", "a byte count",
                                   fault.kind, fault.afterBytes);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "gpib-controller-emulator: a bench's instruments behind an emulated "
      "Prologix/AR488 GPIB controller"};
  std::string benchFile;
  int port = 0;
  bool pty = false;
  std::string flavour = "prologix";
  std::string fault;
  std::string saved;
  int pollAnswerMs = 0;
  gpibsim::controller::LinkOptions options;
  app.add_option("--bench", benchFile, "bench TOML file (default: the built-in bench)");
  app.add_option("--port", port, "TCP port on 127.0.0.1; 0 picks a free one")
      ->check(CLI::Range(0, 65535));
  app.add_flag("--pty", pty, "serve on a pseudo-terminal instead of TCP");
  app.add_option("--flavour", flavour, "prologix or ar488")
      ->check(CLI::IsMember({"prologix", "ar488"}));
  app.add_option("--rate", options.bytesPerSecond, "pace the output at this many bytes a second");
  app.add_option("--fault", fault, "drop:N, stall:N or garbage:N on the first connection");
  app.add_option("--lifetime", options.lifetimeSeconds, "seconds until the emulator ends")
      ->check(CLI::PositiveNumber);
  app.add_option("--boot-ms", options.bootMilliseconds,
                 "input ignored this long after the terminal is opened (a resetting board)");
  app.add_option("--log", options.logPath,
                 "append each command line received, and each EEPROM write, to this file");
  app.add_option("--eeprom", saved,
                 "settings another program left in the EEPROM, as \"++eos 0;++auto 1;...\"");
  app.add_option("--poll-ms", pollAnswerMs, "how long the instruments take to answer a serial poll")
      ->check(CLI::Range(0, 60000));
  CLI11_PARSE(app, argc, argv);

  if (!gpibsim::FaultOptionAccepted(fault, options.fault, ParseFault)) return 2;
  options.flavour = flavour == "ar488" ? Flavour::kAr488 : Flavour::kPrologix;
  options.pollAnswerTime = std::chrono::milliseconds(pollAnswerMs);

  gpibsim::Simulator& simulator = gpibsim::Simulator::Instance();
  if (!simulator.LoadBenchFileOrDefault(benchFile)) {
    std::fprintf(stderr, "%s\n", simulator.lastError.c_str());
    return 2;
  }
  options.eeprom = gpibsim::controller::FactoryEeprom(options.flavour);
  if (!saved.empty()) {
    std::string error;
    const auto left =
        gpibsim::controller::EepromLeftBy(simulator.bus, options.flavour, saved, error);
    if (!left) {
      std::fprintf(stderr, "--eeprom %s: %s\n", saved.c_str(), error.c_str());
      return 2;
    }
    options.eeprom = *left;
  }
  return pty ? gpibsim::controller::ServePty(simulator.bus, options)
             : gpibsim::controller::ServeTcp(simulator.bus, static_cast<uint16_t>(port), options);
}
