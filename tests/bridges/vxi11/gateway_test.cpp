// The bridge's conversation with the gateway emulator on 127.0.0.1: writes in chunks of the
// link's size, reads to END or the count, time-outs, locks, both scans, and each fault of the
// gateway ending in time with one line, the next call working.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "gateway.h"
#include "support/emulator_process.h"

namespace {

using gpib_bridge::BusAddress;
using prologix_test::EmulatorProcess;
using vxi11::Clock;
using vxi11::Gateway;
using namespace std::chrono_literals;

constexpr BusAddress kMultimeter{12, 0};  // answers "*IDN?", ignores everything else
constexpr auto kTimeout = 1s;
// A call's time-out, the grace for its reply, and room for a loaded machine.
constexpr auto kWithinTime = kTimeout + 500ms + 700ms;

struct Emulated {
  explicit Emulated(std::vector<std::string> arguments)
      : process(GPIB_GATEWAY_EMULATOR, Args(arguments)) {
    unsigned portmapper = 0;
    unsigned core = 0;
    if (std::sscanf(process.Port().c_str(), "portmapper 127.0.0.1:%u core 127.0.0.1:%u",
                    &portmapper, &core) != 2)
      throw std::runtime_error("unexpected first line: " + process.Port());
    endpoint = {.host = "127.0.0.1",
                .port = std::nullopt,
                .portmapperPort = static_cast<uint16_t>(portmapper),
                .interfaceName = "gpib0",
                .pollTimeout = 100ms};
  }
  static std::vector<std::string> Args(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--lifetime", "60"});
    return arguments;
  }
  // A gateway whose lines are kept.
  Gateway Client() {
    return Gateway(endpoint, [this](const std::string& line) { lines.push_back(line); });
  }
  EmulatorProcess process;
  vxi11::Endpoint endpoint;
  std::vector<std::string> lines;
};

std::span<const uint8_t> Text(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// "*IDN?" to the multimeter and its answer.
std::string Identify(Gateway& gateway, const std::string& query = "*IDN?\n") {
  const auto written = gateway.Write(kMultimeter, Text(query), true, kTimeout);
  if ((written.ibsta & ERR) != 0) return "write failed";
  std::array<uint8_t, 64> reply{};
  const auto read = gateway.Read(kMultimeter, reply, -1, kTimeout);
  if ((read.ibsta & ERR) != 0 || (read.ibsta & END) == 0) return "read failed";
  return std::string(reply.begin(), reply.begin() + read.count);
}

TEST(OverTheGatewayEmulator, LongMessagesGoInChunksOfTheLinksSizeAndReadsStopAtTheCount) {
  Emulated emulated({"--max-recv-size", "1024"});
  Gateway gateway = emulated.Client();
  // Trailing NULs are no part of the command: one message of 3000 bytes, taken only in
  // chunks of 1024, END with the last.
  EXPECT_EQ(Identify(gateway, "*IDN?" + std::string(3000, '\0') + "\n"), "FLUKE,45,0,1.6 D1.0\n");
  ASSERT_EQ(gateway.Write(kMultimeter, Text("*IDN?\n"), true, kTimeout).ibsta, CMPL);
  std::array<uint8_t, 5> start{};
  const auto read = gateway.Read(kMultimeter, start, -1, kTimeout);
  EXPECT_EQ(read.ibsta, CMPL);  // the count, no END
  EXPECT_EQ(std::string(start.begin(), start.end()), "FLUKE");
  std::array<uint8_t, 4> upToComma{};
  const auto rest = gateway.Read(kMultimeter, upToComma, ',', kTimeout);
  EXPECT_EQ(rest.ibsta, CMPL | END);  // the termination character
  EXPECT_EQ(std::string(upToComma.begin(), upToComma.begin() + rest.count), ",");
  EXPECT_TRUE(emulated.lines.empty());
}

TEST(OverTheGatewayEmulator, ASilentInstrumentCostsTheTimeOutAndALockedOneTheLockTimeOut) {
  Emulated emulated({});
  Gateway gateway = emulated.Client();
  std::array<uint8_t, 8> buffer{};
  auto start = Clock::now();
  const auto silent = gateway.Read(kMultimeter, buffer, -1, kTimeout);
  EXPECT_GE(Clock::now() - start, kTimeout - 50ms);
  EXPECT_LT(Clock::now() - start, kWithinTime);
  EXPECT_EQ(silent.ibsta, ERR | TIMO);
  EXPECT_EQ(silent.iberr, EABO);

  // Another client holds the multimeter's lock.
  std::string error;
  auto holder = vxi11::RpcClient::Connect(
      "127.0.0.1",
      *vxi11::CorePortFromPortmapper("127.0.0.1", emulated.endpoint.portmapperPort,
                                     Clock::now() + 2s, error),
      Clock::now() + 2s, error);
  ASSERT_TRUE(holder) << error;
  vxi11::Bytes results;
  ASSERT_FALSE(
      holder->Call(vxi11::kDeviceCore, vxi11::kDeviceCoreVersion, vxi11::kCreateLink,
                   vxi11::Encode(vxi11::CreateLinkParms{
                       .clientId = 1, .lockDevice = true, .lockTimeout = 0, .device = "gpib0,12"}),
                   Clock::now() + 2s, results));
  start = Clock::now();
  const auto locked = gateway.Write(kMultimeter, Text("*IDN?\n"), true, kTimeout);
  EXPECT_GE(Clock::now() - start, kTimeout - 50ms);
  EXPECT_EQ(locked.ibsta, ERR);
  EXPECT_EQ(locked.iberr, EDVR);
  ASSERT_EQ(emulated.lines.size(), 2u);
  EXPECT_NE(emulated.lines[0].find("reading: device_read answered error 15 (I/O timeout)"),
            std::string::npos)
      << emulated.lines[0];
  EXPECT_EQ(emulated.lines[1],
            "libgpib-32 (vxi11): 127.0.0.1: writing: device_write answered "
            "error 11 (device locked by another link)");
  holder.reset();  // the lock goes with the holder's connection
  EXPECT_EQ(Identify(gateway), "FLUKE,45,0,1.6 D1.0\n");
}

TEST(OverTheGatewayEmulator, TheBenchsListenersAreFoundWithAndWithoutDocmd) {
  std::vector<BusAddress> candidates;
  for (int32_t pad = 0; pad <= 30; ++pad) candidates.push_back({pad, 0});
  const std::vector<BusAddress> listeners{{1, 0}, {2, 0}, {5, 0}, {8, 0}, {12, 0}};
  for (const bool docmd : {true, false}) {
    Emulated emulated(docmd ? std::vector<std::string>{} : std::vector<std::string>{"--no-docmd"});
    Gateway gateway = emulated.Client();
    std::vector<BusAddress> found;
    EXPECT_EQ(gateway.InterfaceClear(kTimeout).ibsta, CMPL) << docmd;
    const auto scan = gateway.FindListeners(candidates, found, 10s);
    EXPECT_EQ(scan.ibsta, CMPL) << docmd;
    EXPECT_EQ(found, listeners) << docmd;
    EXPECT_TRUE(emulated.lines.empty()) << emulated.lines.front();
    EXPECT_EQ(Identify(gateway), "FLUKE,45,0,1.6 D1.0\n") << "after the scan, docmd " << docmd;
  }
}

TEST(OverTheGatewayEmulator, AScanOfManyAddressesGoesOutInBatchesAndAFaultWithinOneEndsIt) {
  // Every primary and secondary address: 1,922 calls, far more than go out at once.
  std::vector<BusAddress> candidates;
  for (int32_t pad = 1; pad <= 30; ++pad) {
    candidates.push_back({pad, 0});
    for (int32_t sad = 0x60; sad <= 0x7E; ++sad) candidates.push_back({pad, sad});
  }
  const std::vector<BusAddress> listeners{{1, 0}, {2, 0}, {5, 0}, {8, 0}, {12, 0}};
  Emulated emulated({});
  Gateway gateway = emulated.Client();
  std::vector<BusAddress> found;
  EXPECT_EQ(gateway.FindListeners(candidates, found, 10s).ibsta, CMPL);
  EXPECT_EQ(found, listeners);
  // The first call makes the interface link; the tenth is within the first batch.
  for (const char* fault : {"drop:10", "malformed:10", "stall:10"}) {
    Emulated faulty({"--fault", fault});
    Gateway client = faulty.Client();
    const auto start = Clock::now();
    EXPECT_EQ(client.FindListeners(candidates, found, kTimeout).ibsta & ERR, ERR) << fault;
    EXPECT_LT(Clock::now() - start, kWithinTime) << fault;
    ASSERT_EQ(faulty.lines.size(), 1u) << fault;
    EXPECT_NE(faulty.lines[0].find("finding listeners: "), std::string::npos) << faulty.lines[0];
    EXPECT_EQ(client.FindListeners(candidates, found, 10s).ibsta, CMPL) << "after " << fault;
    EXPECT_EQ(found, listeners) << "after " << fault;
  }
}

TEST(OverTheGatewayEmulator, EachFaultEndsInTimeWithOneLineAndTheNextCallWorks) {
  // The first call is create_link, the second the first device_write.
  const struct {
    const char* fault;
    const char* line;
    int32_t ibsta;
    int32_t iberr;
  } cases[] = {
      {"refuse-link:1", "writing: gpib0,12: create_link answered error 9 (out of resources)", ERR,
       EDVR},
      {"drop:2", "writing: the gateway closed the connection", ERR, EDVR},
      {"stall:2", "writing: no reply from the gateway in time", ERR | TIMO, EABO},
      {"malformed:2", "writing: the gateway's reply to device_write is malformed", ERR, EDVR},
  };
  for (const auto& c : cases) {
    Emulated emulated({"--fault", c.fault});
    Gateway gateway = emulated.Client();
    const auto start = Clock::now();
    const auto failed = gateway.Write(kMultimeter, Text("*IDN?\n"), true, kTimeout);
    EXPECT_LT(Clock::now() - start, kWithinTime) << c.fault;
    EXPECT_EQ(failed.ibsta, c.ibsta) << c.fault;
    EXPECT_EQ(failed.iberr, c.iberr) << c.fault;
    ASSERT_EQ(emulated.lines.size(), 1u) << c.fault;
    EXPECT_EQ(emulated.lines[0], std::string("libgpib-32 (vxi11): 127.0.0.1: ") + c.line);
    EXPECT_EQ(Identify(gateway), "FLUKE,45,0,1.6 D1.0\n") << "after " << c.fault;
  }
}

TEST(OverTheGatewayEmulator, NoGatewayIsToldAtOnce) {
  vxi11::Endpoint endpoint{.host = "127.0.0.1", .port = 1};
  std::vector<std::string> lines;
  Gateway gateway(endpoint, [&](const std::string& line) { lines.push_back(line); });
  EXPECT_EQ(gateway.InterfaceClear(kTimeout).ibsta, ERR);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("libgpib-32 (vxi11): 127.0.0.1: interface clear: cannot reach the "
                           "gateway: cannot connect",
                           0),
            0u)
      << lines[0];
}

}  // namespace
