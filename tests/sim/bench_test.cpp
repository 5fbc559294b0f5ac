// Benches in TOML: what a good one builds, and the one-line message a bad one gives.
#include <fstream>
#include <sstream>

#include "sim_test_support.h"

namespace {

using simtest::Read;
using simtest::Write;

using Bench = simtest::EmptyBus;

TEST_F(Bench, ScriptedDeviceWithNameRepliesAndRate) {
  ASSERT_EQ(gpibsim_load_bench_text(R"(
transfer_rate = 1e9
[[device]]
model = "scripted"
address = 7
name = "METER"
replies = [ { command = "*IDN?\n", reply = "ACME,DMM-1,0,1.0\n" } ]
)"),
            0)
      << gpibsim_last_error();
  EXPECT_STREQ(gpibsim_last_error(), "");
  const int32_t ud = ibfindA("METER");
  Write(ud, "*IDN?\n");
  EXPECT_EQ(Read(ud, 100), "ACME,DMM-1,0,1.0\n");
  EXPECT_GT(simtest::LastCall().duration, 0.0);  // paced at 1 GB/s
}

// Two instruments share primary address 7 at secondary addresses 3 and 4 (0x63, 0x64): a
// scan's primary address finds both, and each answers only at its own address.
TEST_F(Bench, SecondaryAddressesAnswerOnlyThere) {
  ASSERT_EQ(gpibsim_load_bench_text(R"(
[[device]]
model = "scripted"
address = 7
secondary = 3
name = "METER"
replies = [ { command = "*IDN?\n", reply = "ACME,DMM-1,0,1.0\n" } ]
[[device]]
model = "scripted"
address = 7
secondary = 4
[[device]]
model = "scripted"
address = 9
)"),
            0)
      << gpibsim_last_error();
  const Addr4882_t addresses[] = {MakeAddr(7, 0), MakeAddr(9, 0), NOADDR};
  Addr4882_t found[4] = {};
  SendIFC(0);
  FindLstn(0, addresses, found, 4);
  ASSERT_EQ(user_ibcntl, 3);
  EXPECT_EQ(found[0], MakeAddr(7, 0x63));
  EXPECT_EQ(found[1], MakeAddr(7, 0x64));
  EXPECT_EQ(found[2], MakeAddr(9, 0));

  const int32_t named = ibfindA("METER");
  Write(named, "*IDN?\n");
  EXPECT_EQ(Read(named, 100), "ACME,DMM-1,0,1.0\n");
  Write(ibdev(0, 7, 0x63, T1s, 1, 0), "*IDN?\n");
  EXPECT_EQ(simtest::ReceiveFrom(MakeAddr(7, 0x63), 100), "ACME,DMM-1,0,1.0\n");
  for (const int32_t sad : {0, 0x65}) {
    Write(ibdev(0, 7, sad, T1s, 1, 0), "*IDN?\n");
    EXPECT_EQ(user_iberr, ENOL) << "nothing listens at 7 with secondary " << sad;
  }
}

struct BadBench {
  const char* name;
  const char* toml;
  const char* message;  // the whole one-line message
};

class BadBenches : public simtest::EmptyBus, public ::testing::WithParamInterface<BadBench> {};

TEST_P(BadBenches, FailWithOneLineNamingDeviceAndKeyAndLeaveTheBusAlone) {
  gpibsim_add_scripted(1, "DEV1");
  simtest::Queue(1, "STILL HERE");
  EXPECT_EQ(gpibsim_load_bench_text(GetParam().toml), -1);
  EXPECT_STREQ(gpibsim_last_error(), GetParam().message);
  EXPECT_EQ(Read(ibfindA("DEV1"), 100), "STILL HERE");
}

constexpr const char* kTwoAtFive = R"([[device]]
model = "scripted"
address = 5
[[device]]
model = "scripted"
address = 5
)";

INSTANTIATE_TEST_SUITE_P(
    Messages, BadBenches,
    ::testing::Values(
        BadBench{"UnknownModel", "[[device]]\nmodel = \"nosuch\"\naddress = 3\n",
                 "bench text: device 1 (model \"nosuch\", address 3): key \"model\": unknown "
                 "model \"nosuch\""},
        BadBench{"MissingModel", "[[device]]\naddress = 3\n",
                 "bench text: device 1 (address 3): key \"model\" must name an instrument "
                 "model"},
        BadBench{"DuplicateAddress", kTwoAtFive,
                 "bench text: device 2 (model \"scripted\", address 5): key \"address\": "
                 "address 5 is taken"},
        BadBench{"PrimaryAddressHasSecondaryOnes",
                 "[[device]]\nmodel = \"scripted\"\naddress = 5\nsecondary = 0\n"
                 "[[device]]\nmodel = \"scripted\"\naddress = 5\n",
                 "bench text: device 2 (model \"scripted\", address 5): key \"address\": "
                 "address 5 is taken"},
        BadBench{"DuplicateSecondaryAddress",
                 "[[device]]\nmodel = \"scripted\"\naddress = 5\nsecondary = 30\n"
                 "[[device]]\nmodel = \"scripted\"\naddress = 5\nsecondary = 30\n",
                 "bench text: device 2 (model \"scripted\", address 5): key \"address\": "
                 "address 5/30 is taken"},
        BadBench{"SecondaryAddressOutOfRange",
                 "[[device]]\nmodel = \"scripted\"\naddress = 5\nsecondary = 31\n",
                 "bench text: device 1 (model \"scripted\", address 5): key \"secondary\" "
                 "must be an integer from 0 to 30"},
        BadBench{"AddressOutOfRange", "[[device]]\nmodel = \"scripted\"\naddress = 31\n",
                 "bench text: device 1 (model \"scripted\", address 31): key \"address\" must "
                 "be an integer from 1 to 30"},
        BadBench{"AddressNotANumber", "[[device]]\nmodel = \"scripted\"\naddress = \"5\"\n",
                 "bench text: device 1 (model \"scripted\"): key \"address\" must be an "
                 "integer from 1 to 30"},
        BadBench{"DuplicateName",
                 "[[device]]\nmodel = \"scripted\"\naddress = 1\nname = \"DEV1\"\n"
                 "[[device]]\nmodel = \"scripted\"\naddress = 2\nname = \"DEV1\"\n",
                 "bench text: device 2 (model \"scripted\", address 2): key \"name\": "
                 "\"DEV1\" names another device"},
        BadBench{"ModelRefusesItsTable",
                 "[[device]]\nmodel = \"scripted\"\naddress = 4\nreplies = [ { command = "
                 "\"X\" } ]\n",
                 "bench text: device 1 (model \"scripted\", address 4): key \"replies\": each "
                 "entry needs a string \"reply\""},
        BadBench{"UnknownTopLevelKey", "[[devices]]\nmodel = \"scripted\"\n",
                 "bench text: unknown key \"devices\" (transfer_rate, [[device]])"},
        BadBench{"NegativeRate", "transfer_rate = -1.0\n",
                 "bench text: key \"transfer_rate\" must be a number of bytes per second, 0 "
                 "or more"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(Bench, SyntaxErrorGivesLineAndColumnOnOneLine) {
  EXPECT_EQ(gpibsim_load_bench_text("transfer_rate = 0\n[[device]\n"), -1);
  const std::string message = gpibsim_last_error();
  EXPECT_EQ(message.rfind("bench text:2:", 0), 0u) << message;
  EXPECT_EQ(message.find('\n'), std::string::npos) << message;
}

TEST_F(Bench, MissingFileIsNamedInTheMessage) {
  EXPECT_EQ(gpibsim_load_bench_file("/nonexistent/bench.toml"), -1);
  EXPECT_STREQ(gpibsim_last_error(), "/nonexistent/bench.toml: cannot read the bench file");
}

TEST_F(Bench, DefaultBenchIsTheFileCompiledInAndLoads) {
  std::ifstream file(GPIBSIM_DEFAULT_BENCH_FILE);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(gpibsim_default_bench_text(), text.str());
  EXPECT_EQ(gpibsim_load_default_bench(), 0) << gpibsim_last_error();
}

}  // namespace
