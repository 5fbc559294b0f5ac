#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string_view>

#include "bridge.h"

namespace {

using gpib_bridge::DefaultDeviceNamed;

TEST(DefaultDeviceNames, DevOneToSixteenAreThatAddressOnBoardZero) {
  const struct {
    std::string_view name;
    std::optional<int32_t> pad;
  } cases[] = {
      {"DEV1", 1},   {"DEV8", 8},   {"dev16", 16}, {"Dev2", 2},
      {"DEV0", {}},  {"DEV17", {}}, {"DEV01", {}}, {"DEV", {}},
      {"DEV1 ", {}}, {"DEV+1", {}}, {"GPIB0", {}}, {"DEV99999999999", {}},
      {"XDEV1", {}}, {"", {}},
  };
  for (const auto& c : cases) {
    const auto device = DefaultDeviceNamed(c.name);
    ASSERT_EQ(device.has_value(), c.pad.has_value()) << c.name;
    if (!device) continue;
    EXPECT_EQ(device->pad, *c.pad) << c.name;
    EXPECT_EQ(device->board, 0);
    EXPECT_EQ(device->timeout, T10s);
  }
}

TEST(PublishedStatus, CountsBeyond32BitsSaturate) {
  const struct {
    int64_t count;
    int32_t published;
  } cases[] = {
      {0, 0},
      {4096, 4096},
      {int64_t{1} << 40, std::numeric_limits<int32_t>::max()},
      {-(int64_t{1} << 40), std::numeric_limits<int32_t>::min()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gpib_bridge::Publish({.ibsta = END | CMPL, .iberr = EABO, .count = c.count}),
              END | CMPL);
    EXPECT_EQ(user_ibsta, END | CMPL);
    EXPECT_EQ(user_iberr, EABO);
    EXPECT_EQ(user_ibcnt, c.published) << c.count;
    EXPECT_EQ(user_ibcntl, c.published) << c.count;
  }
  EXPECT_EQ(gpib_bridge::PublishFailure(EARG), ERR);
  EXPECT_EQ(user_iberr, EARG);
  EXPECT_EQ(user_ibcnt, 0);
}

}  // namespace
