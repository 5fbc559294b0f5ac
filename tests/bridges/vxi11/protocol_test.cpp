// What the bridge reads from a gateway and from its file: XDR items and RPC replies within
// their bounds, VISA resource strings, and a bad [gateway] table told with its line.
#include <gtest/gtest.h>

#include "messages.h"
#include "rpc.h"
#include "support/refused_config.h"
#include "vxi11_config.h"

namespace {

using vxi11::Bytes;
using vxi11::ParsedReply;

TEST(Xdr, AMessageDecodesOnlyWhenItsBytesAreExactlyOneMessage) {
  const vxi11::ReadResp sent{.error = 0, .reason = vxi11::kReasonEnd, .data = {1, 2, 3, 4, 5}};
  const Bytes bytes = vxi11::Encode(sent);
  ASSERT_EQ(bytes.size(), 4u + 4u + 4u + 8u);  // the opaque padded to 8
  vxi11::ReadResp received;
  ASSERT_TRUE(vxi11::Decode(bytes, received));
  EXPECT_EQ(received.data, sent.data);
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"cut in the data", Bytes(bytes.begin(), bytes.end() - 4)},
      {"one byte more",
       [&] {
         Bytes b = bytes;
         b.push_back(0);
         return b;
       }()},
      {"an opaque longer than the message", {0, 0, 0, 0, 0, 0, 0, 4, 0xFF, 0xFF, 0xFF, 0xF0, 1}},
      {"empty", {}},
  };
  for (const auto& c : cases) EXPECT_FALSE(vxi11::Decode(c.bytes, received)) << c.what;
  vxi11::CreateLinkParms link;
  EXPECT_FALSE(vxi11::Decode(Bytes{0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}, link))
      << "a boolean of 2";
}

TEST(Rpc, RepliesAreTakenOnlyForTheCallAndWhenAccepted) {
  const Bytes results = vxi11::Encode(vxi11::ErrorResp{.error = vxi11::kIoTimeout});
  const Bytes success = vxi11::AcceptedReply(7, vxi11::AcceptStatus::kSuccess, results);
  const ParsedReply parsed = vxi11::ParseReply(success, 7);
  ASSERT_EQ(parsed.kind, ParsedReply::Kind::kSuccess);
  EXPECT_EQ(Bytes(parsed.results.begin(), parsed.results.end()), results);
  EXPECT_EQ(vxi11::ParseReply(success, 8).kind, ParsedReply::Kind::kOtherCall);
  EXPECT_EQ(
      vxi11::ParseReply(vxi11::AcceptedReply(7, vxi11::AcceptStatus::kGarbageArguments), 7).kind,
      ParsedReply::Kind::kNotAccepted);
  const Bytes call = vxi11::CallMessage({.xid = 7, .program = 1, .version = 1, .procedure = 1}, {});
  EXPECT_EQ(vxi11::ParseReply(call, 7).kind, ParsedReply::Kind::kMalformed) << "a call";
  EXPECT_EQ(vxi11::ParseReply(Bytes(success.begin(), success.begin() + 14), 7).kind,
            ParsedReply::Kind::kMalformed);
  const Bytes record = vxi11::Record(success);
  const auto header = vxi11::ParseFragmentHeader(std::span<const uint8_t, 4>(record.data(), 4));
  EXPECT_TRUE(header.last);
  EXPECT_EQ(header.length, success.size());
}

TEST(VisaResource, GatewayDeviceNamesWithAndWithoutSecondaryAddress) {
  const auto plain = vxi11::ParseVisaResource("TCPIP0::127.0.0.1::gpib0,5::INSTR");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->host, "127.0.0.1");
  EXPECT_EQ(plain->interfaceName, "gpib0");
  EXPECT_EQ(plain->address, (gpib_bridge::BusAddress{5, 0}));
  const auto secondary = vxi11::ParseVisaResource("tcpip::gw.lab::gpib0,9,3");
  ASSERT_TRUE(secondary);
  EXPECT_EQ(secondary->address, (gpib_bridge::BusAddress{9, 0x63}));
  for (const char* bad :
       {"GPIB0::5::INSTR", "TCPIP0::h::gpib0::INSTR", "TCPIP0::h::gpib0,31::INSTR",
        "TCPIP0::h::gpib0,5,31::INSTR", "TCPIP0::::gpib0,5::INSTR", "TCPIPx::h::gpib0,5::INSTR",
        "TCPIP0::h::gpib0,5::SOCKET"})
    EXPECT_FALSE(vxi11::ParseVisaResource(bad)) << bad;
}

TEST(GatewayConfig, ReadsTheGatewayAndItsDevicesAndSaysWhereAMistakeIs) {
  std::string error;
  const auto config = vxi11::ParseConfig(
      "[controller]\nport = \"/dev/ttyUSB0\"\n"  // the other bridge's table is let be
      "[gateway]\nhost = \"GW\"\nportmapper_port = 4111\npoll_timeout_ms = 50\n"
      "scan_secondary = true\n[devices]\nscope = \"TCPIP0::gw::gpib0,5::INSTR\"\nDEV1 = 8\n",
      "gpib.toml", error);
  ASSERT_TRUE(config) << error;
  EXPECT_EQ(config->portmapperPort, 4111);
  EXPECT_FALSE(config->port);
  EXPECT_TRUE(config->scanSecondary);
  EXPECT_EQ(config->Device("SCOPE")->pad, 5);
  EXPECT_EQ(config->Device("dev1")->pad, 8);
  EXPECT_EQ(config->Device("DEV2")->pad, 2);
  const testing_support::RefusedConfig cases[] = {
      {"[devices]\nDEV1 = 8\n", "gpib.toml:1: no [gateway] table"},
      {"[gateway]\nport = 5\n", "gpib.toml:1: [gateway] has no host"},
      {"[gateway]\nhost = \"h\"\nport = 0\n", "gpib.toml:3: port must be 1 to 65535"},
      {"[gateway]\nhost = \"h\"\n[devices]\nDEV1 = \"TCPIP0::other::gpib0,5::INSTR\"\n",
       "gpib.toml:4: DEV1: \"TCPIP0::other::gpib0,5::INSTR\" is not on the gateway's gpib0 at h"},
      {"[gateway]\nhost = \"h\"\n[devices]\nDEV1 = \"five\"\n",
       "gpib.toml:4: DEV1: \"five\" is no VISA resource"},
      {"[gateway]\nhost = \"h\"\ntimeout = 3\n", "gpib.toml:3: unknown key \"timeout\""},
      {"[gateway]\nhost = \"h\"\nscan_secondary = 1\n",
       "gpib.toml:3: scan_secondary must be true or false"},
  };
  testing_support::ExpectRefused(&vxi11::ParseConfig, cases);
}

}  // namespace
