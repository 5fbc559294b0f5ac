// The simulated bus as the module meets it: descriptors, reads and writes with NI semantics,
// time-outs in simulated time, and the board-level calls.
#include <chrono>
#include <vector>

#include "sim_test_support.h"

namespace {

using simtest::EmptyBus;
using simtest::Failed;
using simtest::OpenScripted;
using simtest::Queue;
using simtest::Read;
using simtest::ReceiveFrom;
using simtest::Script;
using simtest::Write;

using Descriptors = EmptyBus;

TEST_F(Descriptors, ConfiguredNameOpensFromOneAndUnknownNameFails) {
  ASSERT_EQ(gpibsim_add_scripted(5, "DEV5"), 0);
  EXPECT_EQ(ibfindA("DEV5"), 1);
  EXPECT_EQ(ibfindA("DEV5"), 2);
  EXPECT_EQ(gpibsim_open_descriptors(), 2);

  EXPECT_EQ(ibfindA("DEV6"), -1);
  EXPECT_TRUE(Failed());
  EXPECT_EQ(user_iberr, EDVR);
  EXPECT_EQ(ibfindA(nullptr), -1);
}

TEST_F(Descriptors, OfflineDescriptorIsGoneForGood) {
  const int32_t ud = OpenScripted(5, "DEV5");
  ibonl(ud, 0);
  EXPECT_FALSE(Failed());
  EXPECT_EQ(gpibsim_open_descriptors(), 0);

  for (int32_t status : {Write(ud, "X\n"), ibonl(ud, 1), ibtmo(ud, T10s), ibloc(ud)}) {
    EXPECT_EQ(status & ERR, ERR);
    EXPECT_EQ(user_iberr, EDVR);
  }
  EXPECT_NE(ibfindA("DEV5"), ud);  // numbers are not handed out again
}

TEST_F(Descriptors, TimeoutCodeOutsideRangeIsRefused) {
  const int32_t ud = OpenScripted(5, "DEV5");
  for (int32_t code : {-1, 18, 1000}) {
    ibtmo(ud, code);
    EXPECT_TRUE(Failed()) << code;
    EXPECT_EQ(user_iberr, EARG) << code;
  }
  for (int32_t code : {TNONE, T10s, T1000s}) {
    ibtmo(ud, code);
    EXPECT_FALSE(Failed()) << code;
  }
}

TEST_F(Descriptors, OnlineRestoresConfiguredTimeout) {
  const int32_t ud = OpenScripted(5, "DEV5");
  ibtmo(ud, T1s);
  ibonl(ud, 1);
  ibrd(ud, nullptr, 0);  // nothing to read: waits out the time-out
  EXPECT_DOUBLE_EQ(simtest::LastCall().duration, 10.0);
}

TEST_F(Descriptors, NamedAddressWithoutDeviceOpensButNothingListens) {
  ASSERT_EQ(gpibsim_name_device("DEV8", 8), 0);
  const int32_t ud = ibfindA("DEV8");
  ASSERT_GE(ud, 1);
  Write(ud, "ID?\n");
  EXPECT_TRUE(Failed());
  EXPECT_EQ(user_iberr, ENOL);
}

using Reads = EmptyBus;

TEST_F(Reads, MessageComesInPartsWithEndOnItsLastByte) {
  const int32_t ud = OpenScripted(1, "DEV1");
  Queue(1, "HELLO WORLD\n");

  EXPECT_EQ(Read(ud, 5), "HELLO");
  EXPECT_EQ(user_ibsta & END, 0);
  EXPECT_EQ(user_ibcnt, 5);
  EXPECT_EQ(user_ibcntl, 5);
  EXPECT_EQ(Read(ud, 100), " WORLD\n");
  EXPECT_EQ(user_ibsta & (END | CMPL), END | CMPL);
}

TEST_F(Reads, ReadOfExactlyTheMessageLengthSetsEnd) {
  const int32_t ud = OpenScripted(1, "DEV1");
  Queue(1, "ABC");
  EXPECT_EQ(Read(ud, 3), "ABC");
  EXPECT_NE(user_ibsta & END, 0);
}

TEST_F(Reads, ReadStopsAtTheEndOfOneMessage) {
  const int32_t ud = OpenScripted(1, "DEV1");
  Queue(1, "FIRST");
  Queue(1, "SECOND");
  EXPECT_EQ(Read(ud, 100), "FIRST");
  EXPECT_EQ(Read(ud, 100), "SECOND");
}

TEST_F(Reads, SilentDeviceTimesOutInSimulatedTimeOnly) {
  const int32_t ud = OpenScripted(1, "DEV1");
  ibtmo(ud, T1000s);
  char buffer[16];
  const auto start = std::chrono::steady_clock::now();
  const int32_t status = ibrd(ud, buffer, sizeof buffer);
  const auto elapsed = std::chrono::steady_clock::now() - start;

  EXPECT_EQ(status & (ERR | TIMO), ERR | TIMO);
  EXPECT_EQ(user_iberr, EABO);
  EXPECT_EQ(user_ibcnt, 0);
  EXPECT_LT(elapsed, std::chrono::seconds(100));  // far below the 1000 s waited
  EXPECT_DOUBLE_EQ(simtest::LastCall().duration, 1000.0);
}

TEST_F(Reads, LargeReplyIsReadInPieces) {
  gpibsim_add_scripted(4, nullptr);
  std::string reply(150000, '\0');
  for (size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<char>(i * 7);
  Script(4, "CURVE?\n", reply);
  const int32_t ud = ibdev(0, 4, 0, T10s, 1, 0);
  Write(ud, "CURVE?\n");

  std::string received;
  for (int part = 0; part < 10 && (user_ibsta & END) == 0; ++part) {
    received += Read(ud, 60000);
    if (Failed()) break;
  }
  EXPECT_EQ(received, reply);
  // The transcript keeps the start of each transfer and its full length.
  const gpibsim_call last = simtest::LastCall();
  EXPECT_EQ(last.dataLength, 256);
  EXPECT_EQ(last.dataTotal, 30000);
}

TEST_F(Reads, BadBufferArgumentsAreRefused) {
  const int32_t ud = OpenScripted(1, "DEV1");
  Queue(1, "DATA");
  ibrd(ud, nullptr, 4);
  EXPECT_EQ(user_iberr, EARG);
  char buffer[4];
  ibrd(ud, buffer, -1);
  EXPECT_EQ(user_iberr, EARG);
  EXPECT_EQ(Read(ud, 4), "DATA");  // the refused reads took nothing
}

using Scripts = EmptyBus;

TEST_F(Scripts, OnlyTheExactCommandIsAnswered) {
  gpibsim_add_scripted(1, "DEV1");
  Script(1, std::string_view("ID?\n"), "HAMEG HM408\n");
  const int32_t ud = ibfindA("DEV1");

  for (std::string_view other : {"ID?", "ID?\r\n", "id?\n", "ID?\n\n"}) {
    Write(ud, other);
    EXPECT_FALSE(Failed());
    Read(ud, 64);
    EXPECT_EQ(user_ibsta & TIMO, TIMO) << other;
  }
  Write(ud, "ID?\n");
  EXPECT_EQ(Read(ud, 64), "HAMEG HM408\n");
}

TEST_F(Scripts, CommandWithNulByteMatchesByteForByte) {
  gpibsim_add_scripted(3, nullptr);
  Script(3, std::string_view("*IDN?\0\n", 7), "TEKTRONIX,TDS 540,0,CF:91.1CT\n");
  SendIFC(0);
  Send(0, MakeAddr(3, 0), "*IDN?", 6, NLend);  // six bytes with the NUL, LF added by NLend
  EXPECT_EQ(user_ibcntl, 6);
  EXPECT_EQ(ReceiveFrom(3, 100), "TEKTRONIX,TDS 540,0,CF:91.1CT\n");
  EXPECT_EQ(user_ibsta & END, END);
}

TEST_F(Scripts, ScriptingNeedsAScriptedDevice) {
  EXPECT_EQ(gpibsim_queue_reply(7, "X", 1), -1);
  EXPECT_EQ(gpibsim_add_scripted(0, nullptr), -1);
  EXPECT_EQ(gpibsim_add_scripted(31, nullptr), -1);
}

using Board = EmptyBus;

TEST_F(Board, SendWithEndModesDeliversWhatWentOnTheBus) {
  gpibsim_add_scripted(2, nullptr);
  struct Case {
    int32_t eot;
    std::string_view onBus;
  };
  for (const Case& c : {Case{NLend, "DATA\n"}, Case{NULLend, "DATA"}, Case{DABend, "DATA"}}) {
    Send(0, MakeAddr(2, 0), "DATA", 4, c.eot);
    EXPECT_FALSE(Failed());
    const gpibsim_call call = simtest::LastCall();
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(call.data),
                               static_cast<size_t>(call.dataLength)),
              c.onBus);
  }
  Send(0, MakeAddr(2, 0), "DATA", 4, 7);
  EXPECT_EQ(user_iberr, EARG);
}

TEST_F(Board, EmptyAddressesAndBadAddresses) {
  struct Case {
    Addr4882_t address;
    int32_t iberr;
  };
  for (const Case& c : {Case{MakeAddr(9, 0), ENOL}, Case{NOADDR, EARG}, Case{MakeAddr(31, 0), EARG},
                        Case{MakeAddr(9, 0x20), EARG}}) {
    Send(0, c.address, "X", 1, NLend);
    EXPECT_EQ(user_iberr, c.iberr) << c.address;
    ReceiveFrom(c.address, 4);
    EXPECT_TRUE(Failed());
  }
  DevClear(0, MakeAddr(9, 0));
  EXPECT_EQ(user_iberr, ENOL);
  Send(1, MakeAddr(9, 0), "X", 1, NLend);
  EXPECT_EQ(user_iberr, EDVR);
}

TEST_F(Board, ReceiveFromSilentDeviceTimesOutWithBoardTimeout) {
  gpibsim_add_scripted(2, nullptr);
  EXPECT_EQ(ReceiveFrom(2, 10), "");
  EXPECT_EQ(user_ibsta & (ERR | TIMO), ERR | TIMO);
  EXPECT_EQ(user_iberr, EABO);
  EXPECT_EQ(user_ibcntl, 0);
  EXPECT_DOUBLE_EQ(simtest::LastCall().duration, 10.0);
}

TEST_F(Board, DevClearDropsPendingOutputEvenWhenPartlyRead) {
  gpibsim_add_scripted(2, nullptr);
  Queue(2, "STALE REPLY");
  EXPECT_EQ(ReceiveFrom(2, 5), "STALE");
  DevClear(0, MakeAddr(2, 0));
  EXPECT_FALSE(Failed());
  Queue(2, "FRESH");
  EXPECT_EQ(ReceiveFrom(2, 100), "FRESH");
}

struct FindLstnCase {
  std::vector<int32_t> devices;
  int32_t limit;
  int32_t expectedCount;
  bool tableOverflows;
};

class FindListeners : public EmptyBus, public ::testing::WithParamInterface<FindLstnCase> {};

TEST_P(FindListeners, StoresUpToTheLimit) {
  const FindLstnCase& c = GetParam();
  for (int32_t pad : c.devices) gpibsim_add_scripted(pad, nullptr);
  std::vector<Addr4882_t> addresses;
  for (int32_t pad = 1; pad <= 30; ++pad) addresses.push_back(MakeAddr(pad, 0));
  addresses.push_back(NOADDR);
  constexpr Addr4882_t kUntouched = 0x5A5A;
  std::vector<Addr4882_t> results(static_cast<size_t>(c.limit) + 2, kUntouched);

  SendIFC(0);
  FindLstn(0, addresses.data(), results.data(), c.limit);

  EXPECT_EQ(Failed(), c.tableOverflows);
  if (c.tableOverflows) {
    EXPECT_EQ(user_iberr, ETAB);
  }
  EXPECT_EQ(user_ibcntl, c.expectedCount);
  for (int32_t i = 0; i < c.expectedCount; ++i) {
    EXPECT_EQ(results[static_cast<size_t>(i)], MakeAddr(c.devices[static_cast<size_t>(i)], 0));
  }
  EXPECT_EQ(results[static_cast<size_t>(c.limit)], kUntouched);  // nothing past the limit
}

INSTANTIATE_TEST_SUITE_P(Tables, FindListeners,
                         ::testing::Values(FindLstnCase{{}, 31, 0, false},
                                           FindLstnCase{{3, 9, 17}, 31, 3, false},
                                           FindLstnCase{{3, 9, 17}, 3, 3, false},
                                           FindLstnCase{{3, 9, 17}, 2, 2, true},
                                           FindLstnCase{{3}, 0, 0, true}));

TEST_F(Board, FindLstnNeedsControllerInCharge) {
  const Addr4882_t addresses[] = {MakeAddr(1, 0), NOADDR};
  Addr4882_t results[2];
  FindLstn(0, addresses, results, 2);
  EXPECT_EQ(user_iberr, ECIC);
}

TEST_F(Board, WaitSrqEndsWithTheTimeout) {
  int16_t result = 1;
  WaitSRQ(0, &result);
  EXPECT_EQ(result, 0);
  EXPECT_NE(user_ibsta & TIMO, 0);
}

using RemoteState = EmptyBus;

TEST_F(RemoteState, WritesMakeRemoteAndIblocMakesLocal) {
  const int32_t ud = OpenScripted(1, "DEV1");
  EXPECT_EQ(gpibsim_device_remote(1), 0);
  Write(ud, "STA\n");
  EXPECT_EQ(gpibsim_device_remote(1), 1);
  ibloc(ud);
  EXPECT_EQ(gpibsim_device_remote(1), 0);
  Send(0, MakeAddr(1, 0), "X", 1, NLend);
  EXPECT_EQ(gpibsim_device_remote(1), 1);
  ibonl(ud, 0);  // going offline leaves the device in remote
  EXPECT_EQ(gpibsim_device_remote(1), 1);
}

TEST_F(RemoteState, PacedTransfersAdvanceTheClockByBytesOverRate) {
  gpibsim_add_scripted(1, "DEV1");
  gpibsim_set_transfer_rate(1.0e6);
  const int32_t ud = ibfindA("DEV1");
  Write(ud, std::string(1000, 'x'));
  EXPECT_NEAR(simtest::LastCall().duration, 1.0e-3, 1e-12);
  gpibsim_set_transfer_rate(0.0);
  Write(ud, std::string(1000, 'x'));
  EXPECT_EQ(simtest::LastCall().duration, 0.0);
}

}  // namespace
