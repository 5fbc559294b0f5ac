// The scan's table: each listener's address, with a secondary address after a slash, and its
// identification or that it gave none.
#include "scanning/bus_scan.h"

#include <gtest/gtest.h>

namespace scopehost {
namespace {

TEST(ListenerTable, PrimaryAndSecondaryAddressesWithWhatTheySaid) {
  const std::vector<Listener> listeners = {
      {5, 0, "TEKTRONIX,TDS 540"},
      {7, 0x60, std::nullopt},
      {12, 0x63, "FLUKE,45"},
  };
  EXPECT_EQ(ListenerTable(listeners),
            "  5  TEKTRONIX,TDS 540\n  7/0  (no answer to *IDN?)\n 12/3  FLUKE,45\n");
  EXPECT_EQ(SecondaryAddress(listeners[0]), -1);
  EXPECT_EQ(SecondaryAddress(listeners[2]), 3);
  EXPECT_EQ(ListenerTable({}), "no listener on board 0\n");
}

}  // namespace
}  // namespace scopehost
