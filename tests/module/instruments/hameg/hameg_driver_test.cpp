// HamegDriver against a scripted HM408: each failure exit with its message, progress and
// closing; each row of the output table; the settings values and their defaults.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "instruments/hameg/hameg_driver.h"
#include "ni488/ni488.h"
#include "support/module_harness.h"

namespace {

using testing_support::Call;
using testing_support::DriverFixture;

constexpr int32_t kPad = 7;
constexpr double kCode = 0.0390625;  // divisions per code
constexpr std::string_view kIdentification = "HAMEG HM408 V2.11\r\n";
constexpr char kBothChannels = 0x06, kChannel1 = 0x02, kChannel2 = 0x04, kNeither = 0x00;

// The sample byte at position k of every scripted dump: all 256 codes, 255 included.
uint8_t CodeAt(size_t k) {
  return static_cast<uint8_t>((k * 7 + 3) % 256);
}

// The first position of the scripted samples that holds `code`.
size_t PositionOf(uint8_t code) {
  size_t k = 0;
  while (CodeAt(k) != code) ++k;
  return k;
}

std::string Dump(std::string_view settings, size_t sampleBytes = 4096) {
  std::string dump(sampleBytes, '\0');
  for (size_t k = 0; k < sampleBytes; ++k) dump[k] = static_cast<char>(CodeAt(k));
  if (sampleBytes < 4096) return dump;
  return dump + std::string(16, '\xAA') + std::string(settings);
}

class HamegDriverTest : public ::testing::Test, public DriverFixture {
 public:
  HamegDriverTest() : DriverFixture(4096, -1, -1) { bus.AddScripted(kPad, "DEV1"); }

  void Script(char status, const std::string& dump, std::string_view id = kIdentification) {
    bus.Reply(kPad, "ID?\n", id);
    bus.Reply(kPad, "STA\n", std::string(1, status));
    bus.Reply(kPad, "DIG\n", dump);
  }
  int Run(const char* device = "DEV1") {
    return HamegDriver(&arrays.buffers, &points, &channels, device);
  }
  // Taken offline by ibonl(ud, 0) alone, never by way of local.
  bool TakenOffline() const {
    const auto online = bus.CallsOf("ibonl");
    return gpibsim_open_descriptors() == 0 && bus.CallsOf("ibloc").empty() && online.size() == 2 &&
           online.back().arguments.find("v=0") != std::string::npos;
  }
  // Array `index` holds the codes from `from` on, converted with `scale`, in its first n values.
  void ExpectChannel(int index, size_t from, double scale, size_t n) const {
    for (size_t k = 0; k < n; ++k)
      ASSERT_EQ(arrays.arrays[index][k], (CodeAt(from + k) - 127) * scale) << "index " << k;
    for (size_t k = n; k < 4096; ++k) ASSERT_EQ(arrays.arrays[index][k], arrays.marker);
  }
};

// Test names from each row's name field.
template <typename Row>
std::string RowName(const ::testing::TestParamInfo<Row>& row) {
  return row.param.name;
}

struct FailureRow {
  const char* name;
  void (*arrange)(HamegDriverTest&);
  const char* device;
  std::string_view message;
  int steps;
  bool offline;  // else never opened
};

class HamegFailures : public HamegDriverTest, public ::testing::WithParamInterface<FailureRow> {
 public:
  static void Valid(HamegDriverTest& test) { test.Script(kBothChannels, Dump("CH1:1V")); }
};

TEST_P(HamegFailures, ReportsStopsTheCountAndCloses) {
  GetParam().arrange(*this);
  EXPECT_EQ(Run(GetParam().device), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{std::string(GetParam().message)});
  EXPECT_EQ(host.steps, GetParam().steps);
  if (GetParam().offline) {
    EXPECT_TRUE(TakenOffline());
  } else {
    EXPECT_TRUE(bus.CallsOf("ibonl").empty());
  }
  EXPECT_EQ(points, -1);
  EXPECT_EQ(channels, -1);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(arrays.Untouched(i));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HamegFailures,
    ::testing::Values(
        FailureRow{"Dev2NotFound", [](HamegDriverTest&) {}, "DEV2", "Cant open Hameg at DEV2 !", 1,
                   false},
        FailureRow{"NoIdentification",
                   [](HamegDriverTest& test) { test.bus.Reply(kPad, "STA\n", "\x06"); }, "DEV1",
                   "No Answer", 1, true},
        FailureRow{
            "OtherInstrument",
            [](HamegDriverTest& test) { test.Script(kBothChannels, Dump(""), "HAMEG HM407"); },
            "DEV1", "Invalid device !", 2, true},
        FailureRow{"StatusReadFails",
                   [](HamegDriverTest& test) {
                     HamegFailures::Valid(test);
                     gpibsim_fail_call("ibrd", 2, EABO);
                   },
                   "DEV1", "No Answer", 2, true},
        FailureRow{"StatusWithoutItsByte",
                   [](HamegDriverTest& test) {
                     HamegFailures::Valid(test);
                     gpibsim_force_count("ibrd", 2, 0);
                   },
                   "DEV1", "No Answer", 2, true},
        FailureRow{"Dump4095Bytes",
                   [](HamegDriverTest& test) { test.Script(kBothChannels, Dump("", 4095)); },
                   "DEV1", "No Answer", 3, true},
        FailureRow{"DumpReadFails",
                   [](HamegDriverTest& test) {
                     HamegFailures::Valid(test);
                     gpibsim_fail_call("ibrd", 3, EABO);
                   },
                   "DEV1", "No Answer", 3, true}),
    RowName<FailureRow>);

// One row of the output table: which source fills arrays 0 to 2.
enum class Fill { kNothing, kTime, kFirstChannel, kSecondChannel };
struct TableRow {
  const char* name;
  bool xy;
  char status;
  int32_t points;
  int16_t channels;
  Fill array[3];
  int steps;
};

class HamegOutputTable : public HamegDriverTest, public ::testing::WithParamInterface<TableRow> {};

TEST_P(HamegOutputTable, FillsTheArraysOfItsRow) {
  const TableRow& row = GetParam();
  Script(row.status, Dump(std::string(row.xy ? "XY-MODE " : "") + "CH1:500mV CH2:2V TB:1ms"));
  ASSERT_EQ(Run(), 1);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(points, row.points);
  EXPECT_EQ(channels, row.channels);
  EXPECT_EQ(host.steps, row.steps);
  EXPECT_TRUE(TakenOffline()) << "in remote, its descriptor given up";
  const auto n = static_cast<size_t>(row.points);
  const bool channel1 = (row.status & kChannel1) != 0;
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    switch (row.array[i]) {
      case Fill::kNothing:
        EXPECT_TRUE(arrays.Untouched(i));
        break;
      case Fill::kFirstChannel:
        ExpectChannel(i, 0, 0.5 * kCode, n);
        break;
      case Fill::kSecondChannel:
        ExpectChannel(i, channel1 ? n : 0, 2.0 * kCode, n);
        break;
      case Fill::kTime: {
        const double dt = 1e-3 * 10 / row.points;
        EXPECT_EQ(arrays.arrays[0][0], 0.0);
        EXPECT_EQ(arrays.arrays[0][1], dt);
        EXPECT_NEAR(arrays.arrays[0][n - 1], static_cast<double>(n - 1) * dt, 1e-15);
        break;
      }
    }
  }
  EXPECT_TRUE(arrays.Untouched(3));
  EXPECT_TRUE(arrays.Untouched(4));
}

constexpr Fill T = Fill::kTime, C1 = Fill::kFirstChannel, C2 = Fill::kSecondChannel,
               No = Fill::kNothing;
INSTANTIATE_TEST_SUITE_P(
    Rows, HamegOutputTable,
    ::testing::Values(TableRow{"NormalBoth", false, kBothChannels, 2048, 3, {T, C1, C2}, 9},
                      TableRow{"NormalChannel1", false, kChannel1, 4096, 2, {T, C1, No}, 8},
                      TableRow{"NormalChannel2", false, kChannel2, 4096, 2, {T, C2, No}, 8},
                      TableRow{"NormalNeither", false, kNeither, 4096, 2, {T, No, No}, 7},
                      TableRow{"XYBoth", true, kBothChannels, 2048, 2, {C1, C2, No}, 9},
                      TableRow{"XYChannel1", true, kChannel1, 4096, 2, {C1, No, No}, 8},
                      TableRow{"XYChannel2", true, kChannel2, 4096, 2, {No, C2, No}, 8},
                      TableRow{"XYNeither", true, kNeither, 4096, 2, {No, No, No}, 7},
                      TableRow{
                          "OtherStatusBitsIgnored", false, char(0xF9), 4096, 2, {T, No, No}, 7}),
    RowName<TableRow>);

TEST_F(HamegDriverTest, IdentificationMayCarryTheModelAnywhere) {
  Script(kChannel1, Dump("CH1:1V"), "Instrument 0815, type HM408");
  EXPECT_EQ(Run(), 1);
}

TEST_F(HamegDriverTest, MillivoltsAndMillisecondsScaleTheValues) {
  Script(kChannel1, Dump("CH1:5mV TB:1ms"));
  ASSERT_EQ(Run(), 1);
  EXPECT_DOUBLE_EQ(arrays.arrays[1][PositionOf(137)], 10 * 0.005 * kCode);
  EXPECT_DOUBLE_EQ(arrays.arrays[0][1], 0.01 / 4096);
}

TEST_F(HamegDriverTest, MissingKeysFallBackToOnePerDivisionAndOneVoltPerCodeForChannel2) {
  Script(kBothChannels, Dump("NOTHING HERE"));
  ASSERT_EQ(Run(), 1);
  ExpectChannel(1, 0, 1.0 * kCode, 2048);
  ExpectChannel(2, 2048, 1.0, 2048);
  EXPECT_EQ(arrays.arrays[0][1], 10.0 / 2048) << "one second per division";
}

TEST_F(HamegDriverTest, Code255GetsThePlainArithmetic) {
  Script(kChannel1, Dump("CH1:1V"));
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(arrays.arrays[1][PositionOf(255)], 128 * kCode);
  EXPECT_EQ(arrays.arrays[1][PositionOf(0)], -127 * kCode);
}

TEST_F(HamegDriverTest, ValueThatIsNoNumberGivesAnAllZeroChannel) {
  Script(kChannel1, Dump("CH1:auto"));
  ASSERT_EQ(Run(), 1);
  EXPECT_TRUE(std::all_of(arrays.arrays[1].begin(), arrays.arrays[1].end(),
                          [](double v) { return v == 0.0; }));
}

TEST_F(HamegDriverTest, SettingsEndWithTheBytesReceived) {
  // The instrument sends "CH1:5mV XY-MODE" but only the bytes up to "CH1:5" are counted in:
  // neither the multiplier nor the mode key behind them may be read.
  const std::string dump = Dump("CH1:5mV XY-MODE CH2:1V");
  Script(kChannel1, dump);
  gpibsim_force_count("ibrd", 3, static_cast<int32_t>(4112 + 5));
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(arrays.arrays[1][1], (CodeAt(1) - 127) * 5.0 * kCode);
  EXPECT_EQ(arrays.arrays[0][0], 0.0) << "normal mode: a time axis";
}

}  // namespace
