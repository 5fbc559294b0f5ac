// The bridge's conversation with the emulated controller, over TCP and over a pseudo-terminal:
// binary data intact with END exactly at EOI, the set-up and addressing it sends, listeners,
// long time-outs, and each link fault ending in time with the next call reconnecting.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "bench.h"
#include "session.h"
#include "support/emulator_process.h"

namespace {

using namespace std::chrono_literals;
using prologix::Address;
using prologix::Bytes;
using prologix::Session;
using prologix_test::EmulatorProcess;

constexpr Address kHameg{1, 0};
constexpr Address kSilent{3, 0};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string BenchFile(const char* name) {
  return std::string(PROLOGIX_TEST_DIR) + "/" + name;
}

Session SessionOn(const std::string& port) {
  return Session(port, [port](prologix::Clock::time_point deadline, std::string& error) {
    return prologix::OpenTransport({.port = port, .resetWait = 400ms}, deadline, error);
  });
}

// The HM408's memory dump as the simulated bus itself delivers it.
Bytes DumpFromTheBus() {
  gpibsim::Bus bus;
  gpibsim::InstallBench(gpibsim::ParseBench(ReadFile(BenchFile("ramp.toml")), "ramp"), bus);
  bus.Send(0, MakeAddr(1, 0), "DIG", 3, DABend);
  Bytes dump(8192);
  const gpibsim::Outcome read = bus.Receive(0, MakeAddr(1, 0), dump.data(), 8192, STOPend);
  dump.resize(static_cast<size_t>(read.count));
  return dump;
}

// Reads one message in pieces of `piece` bytes; END must come with the last piece only.
Bytes ReadMessage(Session& session, size_t piece) {
  Bytes message;
  for (int reads = 0; reads < 10000; ++reads) {
    Bytes buffer(piece);
    const auto status = session.Read(kHameg, buffer, -1, 3s);
    EXPECT_EQ(status.ibsta & ERR, 0) << "iberr " << status.iberr;
    if ((status.ibsta & ERR) != 0) break;
    message.insert(message.end(), buffer.begin(), buffer.begin() + status.count);
    if ((status.ibsta & END) != 0) return message;
    EXPECT_EQ(static_cast<size_t>(status.count), piece) << "short piece without END";
  }
  ADD_FAILURE() << "no END";
  return message;
}

size_t Occurrences(const std::string& text, const std::string& line) {
  size_t count = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
    if (at == 0 || text[at - 1] == '\n') ++count;
  }
  return count;
}

struct LinkCase {
  const char* label;
  std::vector<std::string> arguments;
  bool ar488;
};

class OverEachLink : public testing::TestWithParam<LinkCase> {};

TEST_P(OverEachLink, MemoryDumpArrivesByteForByteWithEndAtEoiWhateverTheReadSize) {
  const std::filesystem::path log =
      std::filesystem::temp_directory_path() / ("prologix-" + std::to_string(getpid()) + ".log");
  std::vector<std::string> arguments = GetParam().arguments;
  arguments.insert(arguments.end(), {"--bench", BenchFile("ramp.toml"), "--log", log});
  const EmulatorProcess emulator(arguments);
  Session session = SessionOn(emulator.Port());
  const Bytes expected = DumpFromTheBus();
  ASSERT_EQ(std::set<uint8_t>(expected.begin(), expected.end()).size(), 256u);

  for (const size_t piece : {size_t{8192}, size_t{1000}, size_t{1}}) {
    ASSERT_EQ(session.Write(kHameg, Bytes{'D', 'I', 'G'}, true, 3s).ibsta & ERR, 0);
    EXPECT_EQ(ReadMessage(session, piece), expected) << "pieces of " << piece;
  }
  const std::string commands = ReadFile(log);
  std::filesystem::remove(log);
  EXPECT_EQ(Occurrences(commands, "mode 1\n"), 1u) << commands;
  EXPECT_EQ(Occurrences(commands, "addr 1\n"), 1u) << commands;
  EXPECT_EQ(Occurrences(commands, "read eoi\n"), 3u) << commands;  // leftovers serve the rest
  // A Prologix is told once to stop saving; an AR488 would save for that very command.
  EXPECT_EQ(Occurrences(commands, "savecfg 0\n"), GetParam().ar488 ? 0u : 1u) << commands;
  EXPECT_EQ(Occurrences(commands, "EEPROM write"), 0u) << commands;
}

TEST_P(OverEachLink, FindsTheListenersOfTheDefaultBench) {
  const EmulatorProcess emulator(GetParam().arguments);
  Session session = SessionOn(emulator.Port());
  std::vector<Address> candidates;
  for (int32_t pad = 0; pad <= 30; ++pad) candidates.push_back({pad, 0});
  std::vector<Address> found;
  const auto status = session.FindListeners(candidates, found, 10s);
  EXPECT_EQ(status.ibsta & ERR, 0);
  EXPECT_EQ(found, (std::vector<Address>{{1, 0}, {2, 0}, {5, 0}, {8, 0}, {12, 0}}));
  uint8_t poll = 0xFF;
  EXPECT_EQ(session.SerialPoll({5, 0}, poll, 3s).ibsta & ERR, 0);
  EXPECT_EQ(poll, 0);
  EXPECT_EQ(session.SerialPoll({9, 0}, poll, 3s).iberr, ENOL);
}

TEST_P(OverEachLink, PollsAnInstrumentAtASecondaryAddressThereOnly) {
  std::vector<std::string> arguments = GetParam().arguments;
  arguments.insert(arguments.end(), {"--bench", std::string(GPIBSCOPE_SOURCE_DIR) +
                                                    "/examples/benches/secondary-address.toml"});
  const EmulatorProcess emulator(arguments);
  Session session = SessionOn(emulator.Port());
  uint8_t poll = 0xFF;
  EXPECT_EQ(session.SerialPoll({9, 0x62}, poll, 3s).ibsta & ERR, 0);
  EXPECT_EQ(poll, 0);
  EXPECT_EQ(session.SerialPoll({9, 0x61}, poll, 3s).iberr, ENOL);
  EXPECT_EQ(session.SerialPoll({9, 0}, poll, 3s).iberr, ENOL);
}

INSTANTIATE_TEST_SUITE_P(Links, OverEachLink,
                         testing::Values(LinkCase{"TcpPrologix", {"--lifetime", "60"}, false},
                                         LinkCase{"PtyAr488",
                                                  {"--pty", "--flavour", "ar488", "--boot-ms",
                                                   "300", "--lifetime", "60"},
                                                  true}),
                         [](const testing::TestParamInfo<LinkCase>& link) {
                           return link.param.label;
                         });

// The bridge reads each reply to its end and keeps what the caller did not take, as the
// instrument would hold it: for the next read from that address, not for the next question.
TEST(HeldTail, OutlivesOtherAddressesAndGoesWithTheNextMessage) {
  const EmulatorProcess emulator({"--lifetime", "60"});
  Session session = SessionOn(emulator.Port());
  constexpr Address kPhilips{8, 0};
  const auto ask = [&](Address address, std::string_view text, size_t limit) {
    EXPECT_EQ(session.Write(address, Bytes(text.begin(), text.end()), true, 3s).ibsta & ERR, 0);
    Bytes reply(limit);
    const auto status = session.Read(address, reply, -1, 3s);
    return std::string(reply.begin(), reply.begin() + status.count);
  };
  EXPECT_EQ(ask(kPhilips, "*IDN?\n", 10), "PHILIPS,PM");
  EXPECT_EQ(ask(kHameg, "*IDN?\n", 10), "HAMEG,HM40");
  Bytes rest(64);
  const auto status = session.Read(kPhilips, rest, -1, 3s);
  EXPECT_EQ(std::string(rest.begin(), rest.begin() + status.count), "3323,0,V3.2\n");
  EXPECT_NE(status.ibsta & END, 0);

  EXPECT_EQ(ask(kPhilips, "*IDN?\n", 10), "PHILIPS,PM");
  EXPECT_EQ(ask(kPhilips, "IDT ?\n", 64), "IDT PHILIPS PM3323/40 V3.2\n");
}

// A Prologix waits its whole read time-out for each address where nobody answers a poll.
TEST(PrologixScan, EndsInSecondsAndFindsTheInstrumentsThatAnswerWithinThePollTimeOut) {
  const std::filesystem::path log = std::filesystem::temp_directory_path() /
                                    ("prologix-scan-" + std::to_string(getpid()) + ".log");
  const EmulatorProcess emulator(
      {"--bench", BenchFile("ramp.toml"), "--poll-ms", "60", "--log", log, "--lifetime", "60"});
  Session session = SessionOn(emulator.Port());
  std::vector<Address> candidates;
  for (int32_t pad = 1; pad <= 30; ++pad) candidates.push_back({pad, 0});
  std::vector<Address> found;
  const auto start = std::chrono::steady_clock::now();
  const auto status = session.FindListeners(candidates, found, 10s);
  EXPECT_LE(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(status.ibsta & ERR, 0);
  EXPECT_EQ(found, (std::vector<Address>{kHameg, kSilent}));
  // The scan's short time-out is not the one data is read with.
  ASSERT_EQ(session.Write(kHameg, Bytes{'D', 'I', 'G'}, true, 3s).ibsta & ERR, 0);
  EXPECT_EQ(ReadMessage(session, 8192), DumpFromTheBus());
  const std::string commands = ReadFile(log);
  std::filesystem::remove(log);
  EXPECT_NE(commands.find("read_tmo_ms 100\nspoll 1\n"), std::string::npos) << commands;
  const size_t timeOutOfTheRead = commands.rfind("read_tmo_ms ", commands.find("read eoi\n"));
  ASSERT_GT(timeOutOfTheRead, commands.find("spoll 30\n")) << commands;
  EXPECT_GE(std::stoi(commands.substr(timeOutOfTheRead + 12)), 2000) << commands;
}

// Another program left auto 1, EOI off, CR LF added, no end-of-reply byte and a 50 ms time-out
// saved: the bridge sets what it needs, gets the data intact, and leaves the EEPROM as it was.
TEST(PrologixSettings, AControllerPoweringUpWithAnotherProgramsSettingsKeepsThem) {
  const std::filesystem::path log = std::filesystem::temp_directory_path() /
                                    ("prologix-saved-" + std::to_string(getpid()) + ".log");
  const EmulatorProcess emulator({"--bench", BenchFile("ramp.toml"), "--eeprom",
                                  "++auto 1;++eoi 0;++eos 0;++eot_enable 0;++read_tmo_ms 50",
                                  "--log", log, "--lifetime", "60"});
  Session session = SessionOn(emulator.Port());
  for (int connection = 0; connection < 2; ++connection) {
    ASSERT_EQ(session.Write(kHameg, Bytes{'D', 'I', 'G'}, true, 3s).ibsta & ERR, 0);
    EXPECT_EQ(ReadMessage(session, 8192), DumpFromTheBus());
    Bytes nothing(4);
    testing::internal::CaptureStderr();
    session.Read(kSilent, nothing, -1, 100ms);  // fails, so the next call connects again
    testing::internal::GetCapturedStderr();
  }
  const std::string commands = ReadFile(log);
  std::filesystem::remove(log);
  EXPECT_EQ(Occurrences(commands, "ver\nsavecfg 0\n"), 2u) << commands;  // first, each time
  EXPECT_EQ(Occurrences(commands, "EEPROM write"), 0u) << commands;
}

TEST(BridgeTimeOuts, AReadLongerThanTheControllersLimitIsSeveralReads) {
  const EmulatorProcess emulator({"--bench", BenchFile("ramp.toml"), "--lifetime", "60"});
  Session session = SessionOn(emulator.Port());
  Bytes buffer(16);
  const auto start = std::chrono::steady_clock::now();
  testing::internal::CaptureStderr();
  const auto status = session.Read(kSilent, buffer, -1, 4s);
  const std::string said = testing::internal::GetCapturedStderr();
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(status.ibsta, ERR | TIMO);
  EXPECT_EQ(status.iberr, EABO);
  EXPECT_GE(took, 4s);
  EXPECT_LT(took, 5s);
  EXPECT_NE(said.find("no end of message within 4.0 s"), std::string::npos) << said;
}

TEST(BridgeFaults, EachEndsWithinItsTimeOutWithALineAndTheNextCallReconnects) {
  const struct {
    const char* fault;
    int32_t iberr;
    int32_t timeBit;
    const char* line;
  } faults[] = {
      {"drop:2000", EDVR, 0, "the controller closed the connection"},
      {"stall:2000", EABO, TIMO, "the controller stalled"},
      {"garbage:0", EDVR, 0, "answered garbage"},
  };
  for (const auto& fault : faults) {
    const EmulatorProcess emulator(
        {"--bench", BenchFile("ramp.toml"), "--fault", fault.fault, "--lifetime", "60"});
    Session session = SessionOn(emulator.Port());
    const auto start = std::chrono::steady_clock::now();
    testing::internal::CaptureStderr();
    auto status = session.Write(kHameg, Bytes{'D', 'I', 'G'}, true, 10s);
    if ((status.ibsta & ERR) == 0) {
      Bytes buffer(8192);
      status = session.Read(kHameg, buffer, -1, 10s);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << fault.fault;
    EXPECT_EQ(status.ibsta, ERR | fault.timeBit) << fault.fault;
    EXPECT_EQ(status.iberr, fault.iberr) << fault.fault;
    EXPECT_NE(said.find(fault.line), std::string::npos) << fault.fault << ": " << said;
    // The fault belonged to the first connection; the next call opens another.
    ASSERT_EQ(session.Write(kHameg, Bytes{'D', 'I', 'G'}, true, 3s).ibsta & ERR, 0) << fault.fault;
    EXPECT_EQ(ReadMessage(session, 8192), DumpFromTheBus()) << fault.fault;
  }
}

TEST(BridgeFaults, AnUnreachableControllerFailsAtOnce) {
  testing::internal::CaptureStderr();
  Session session = SessionOn("tcp://127.0.0.1:1");  // nothing listens on port 1
  const auto status = session.Write(kHameg, Bytes{'I', 'D', '?'}, true, 10s);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status.ibsta, ERR);
  EXPECT_EQ(status.iberr, EDVR);
  EXPECT_NE(said.find("tcp://127.0.0.1:1: writing: cannot reach the controller"), std::string::npos)
      << said;
}

}  // namespace
