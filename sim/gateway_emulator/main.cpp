// gpib-gateway-emulator: a bench's instruments behind an emulated VXI-11 LAN-to-GPIB gateway
// on 127.0.0.1, with its own portmapper, for the VXI-11 bridge's tests and for trying
// scopehost without a gateway. The first line on stdout says where it listens.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "bench.h"
#include "fault_option.h"
#include "server.h"
#include "simulator.h"

namespace {

using gpibsim::gateway::Fault;

// "refuse-link:N", "drop:N", "stall:N" or "malformed:N": call N of the core channel (from 1,
// over the run) gets the fault.
std::string ParseFault(const std::string& text, Fault& fault) {
  static const std::map<std::string, Fault::Kind> kKinds = {
      {"refuse-link", Fault::Kind::kRefuseLink},
      {"drop", Fault::Kind::kDrop},
      {"stall", Fault::Kind::kStall},
      {"malformed", Fault::Kind::kMalformed}};
  const std::string error =
      gpibsim::ParseFaultOption(text, kKinds, "refuse-link:N, drop:N, stall:N or malformed:N",
                                "a call number", fault.kind, fault.atCall);
  if (error.empty() && fault.atCall == 0) return "calls are counted from 1";
  return error;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"gpib-gateway-emulator: a bench's instruments behind an emulated VXI-11 gateway"};
  std::string benchFile;
  std::string fault;
  bool noDocmd = false;
  gpibsim::gateway::ServerOptions options;
  app.add_option("--bench", benchFile, "bench TOML file (default: the built-in bench)");
  app.add_option("--max-recv-size", options.behaviour.maxRecvSize,
                 "the largest device_write the links take (VXI-11: at least 1024)")
      ->check(CLI::Range(1024u, 16u << 20));
  app.add_flag("--no-docmd", noDocmd, "refuse every device_docmd: operation not supported");
  app.add_option("--rate", options.bytesPerSecond,
                 "pace the bytes read from the bus at this many a second");
  app.add_option("--fault", fault, "refuse-link:N, drop:N, stall:N or malformed:N at core call N");
  app.add_option("--lifetime", options.lifetimeSeconds, "seconds until the emulator ends")
      ->check(CLI::PositiveNumber);
  CLI11_PARSE(app, argc, argv);

  if (!gpibsim::FaultOptionAccepted(fault, options.fault, ParseFault)) return 2;
  options.behaviour.docmd = !noDocmd;
  gpibsim::Simulator& simulator = gpibsim::Simulator::Instance();
  if (!simulator.LoadBenchFileOrDefault(benchFile)) {
    std::fprintf(stderr, "%s\n", simulator.lastError.c_str());
    return 2;
  }
  const int status = gpibsim::gateway::Serve(simulator.bus, options);
  // Connections' threads may still wait out an io_timeout: the process ends without them.
  std::fflush(stdout);
  std::_Exit(status);
}
