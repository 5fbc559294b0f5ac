// The bridge's one configuration file: what it accepts, and where it says a bad one is wrong.
#include <gtest/gtest.h>

#include <cstdlib>

#include "config.h"
#include "support/refused_config.h"

namespace {

TEST(BridgeConfig, ReadsThePortAndTheDeviceAddresses) {
  std::string error;
  const auto config = prologix::ParseConfig(
      "[controller]\nport = \"tcp://127.0.0.1:1234\"\nreset_wait_ms = 0\npoll_timeout_ms = 250\n"
      "[devices]\nDEV1 = 8\nscope = { pad = 10, sad = 96 }\n",
      "gpib.toml", error);
  ASSERT_TRUE(config) << error;
  EXPECT_EQ(config->port, "tcp://127.0.0.1:1234");
  EXPECT_EQ(config->resetWait.count(), 0);
  EXPECT_EQ(config->pollTimeoutMs, 250);
  EXPECT_EQ(config->Device("dev1")->pad, 8);  // configured names win over the defaults
  EXPECT_EQ(config->Device("SCOPE")->sad, 96);
  EXPECT_EQ(config->Device("DEV8")->pad, 8);  // not listed: the default DEVn
  EXPECT_FALSE(config->Device("DEV17"));
  EXPECT_FALSE(config->Device("scope2"));
}

TEST(BridgeConfig, AMalformedFileIsReportedWithPathLineAndWhatIsWrong) {
  const testing_support::RefusedConfig cases[] = {
      {"[controller]\nport = \"tcp://x\n", "gpib.toml:2: "},
      {"[devices]\nDEV1 = 8\n", "gpib.toml:1: no [controller] table"},
      {"[controller]\nport = 5\n", "gpib.toml:2: port must be"},
      {"[controller]\nport = \"/dev/ttyUSB0\"\nbaud = 9600\n", "gpib.toml:3: unknown key \"baud\""},
      {"[controller]\nport = \"/dev/ttyUSB0\"\n[devices]\nDEV1 = 31\n", "gpib.toml:4: DEV1 must"},
      {"[controller]\nport = \"/dev/ttyUSB0\"\n[devices]\nDEV1 = { pad = 1, sad = 5 }\n",
       "gpib.toml:4: DEV1.sad must be 0 (none) or 96 to 126"},
      {"[controller]\nport = \"/dev/ttyUSB0\"\nreset_wait_ms = -1\n", "gpib.toml:3: reset_wait_ms"},
      {"[controller]\nport = \"x\"\npoll_timeout_ms = 301\n", "gpib.toml:3: poll_timeout_ms"},
      {"[controler]\nport = \"x\"\n", "gpib.toml:1: unknown table \"controler\""},
  };
  testing_support::ExpectRefused(&prologix::ParseConfig, cases);
}

TEST(BridgeConfig, PathComesFromTheEnvironmentThenTheUsersThenTheSystemsDirectory) {
  setenv("GPIB32_CONFIG", "/tmp/my.toml", 1);
  setenv("XDG_CONFIG_HOME", "/home/u/.config", 1);
  EXPECT_EQ(prologix::ConfigPath(), "/tmp/my.toml");
  unsetenv("GPIB32_CONFIG");
  EXPECT_EQ(prologix::ConfigPath(), "/home/u/.config/gpibscope/gpib.toml");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(prologix::ConfigPath(), "/etc/gpibscope/gpib.toml");
}

}  // namespace
