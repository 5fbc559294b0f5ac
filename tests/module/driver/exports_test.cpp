// The catalogue and the fixed array sizes, as a host sees them through the exports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "gpibscope/host.h"
#include "support/module_harness.h"

namespace {

constexpr char kFill = '#';

std::array<char, 64> Filled() {
  std::array<char, 64> buffer;
  buffer.fill(kFill);
  return buffer;
}

TEST(GetDeviceText, CopiesEachNameWithItsTrailingBlank) {
  const char* names[] = {"Hameg(DEV1) HM408 ", "Hameg(DEV2) HM408 ", "Tektronix TDS540",
                         "Philips(DEV8) PM3323"};
  for (int32_t type = 0; type < 4; ++type) {
    auto buffer = Filled();
    EXPECT_EQ(GetDeviceText(buffer.data(), 64, type), buffer.data());
    EXPECT_STREQ(buffer.data(), names[type]);
    const size_t length = std::strlen(names[type]);
    for (size_t i = length; i <= 61; ++i) EXPECT_EQ(buffer[i], '\0') << "index " << i;
    EXPECT_EQ(buffer[62], kFill) << "size - 2 is never written";
    EXPECT_EQ(buffer[63], '\0');
  }
}

TEST(GetDeviceText, CutsALongNameToSizeMinusTwo) {
  auto buffer = Filled();
  EXPECT_EQ(GetDeviceText(buffer.data(), 20, 3), buffer.data());
  EXPECT_EQ(std::string(buffer.data(), 18), "Philips(DEV8) PM33");
  EXPECT_EQ(buffer[18], kFill);
  EXPECT_EQ(buffer[19], '\0');
  EXPECT_EQ(buffer[20], kFill) << "nothing past the buffer";
}

TEST(GetDeviceText, NameArrivesWholeFromLengthPlusThree) {
  auto buffer = Filled();
  GetDeviceText(buffer.data(), 23, 3);  // 20 characters
  EXPECT_STREQ(buffer.data(), "Philips(DEV8) PM3323");
}

TEST(GetDeviceText, SizeTwoOnlyTerminatesTheLastByte) {
  auto buffer = Filled();
  EXPECT_EQ(GetDeviceText(buffer.data(), 2, 1), nullptr);
  EXPECT_EQ(buffer[0], kFill);
  EXPECT_EQ(buffer[1], '\0');
}

TEST(GetDeviceText, InvalidTypesClearTheFirstByte) {
  for (int32_t type : {4, -1, 1000}) {
    auto buffer = Filled();
    EXPECT_EQ(GetDeviceText(buffer.data(), 64, type), nullptr);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], kFill);
    EXPECT_EQ(buffer[63], '\0');
  }
}

TEST(GetDeviceText, RefusesWhatItCannotSafelyWrite) {
  EXPECT_EQ(GetDeviceText(nullptr, 64, 0), nullptr);
  for (int32_t size : {1, 0, -5}) {
    auto buffer = Filled();
    EXPECT_EQ(GetDeviceText(buffer.data(), size, 0), nullptr);
    EXPECT_EQ(buffer, Filled()) << "size " << size;
  }
}

TEST(GetTransProperties, FixedAnswersTouchNoLibrary) {
  testing_support::SimBus bus;
  struct Row {
    int32_t type, points;
    int16_t channels;
  };
  for (const Row row : {Row{0, 4096, 3}, Row{1, 4096, 3}, Row{2, 20000, 5}}) {
    int32_t points = -1;
    int16_t channels = -1;
    EXPECT_EQ(GetTransProperties(row.type, &points, &channels), 1);
    EXPECT_EQ(points, row.points);
    EXPECT_EQ(channels, row.channels);
  }
  EXPECT_EQ(gpibsim_call_count(), 0);
}

TEST(GetTransProperties, InvalidTypeLeavesTheCounts) {
  for (int32_t type : {4, -1}) {
    int32_t points = 7;
    int16_t channels = 8;
    EXPECT_EQ(GetTransProperties(type, &points, &channels), 0);
    EXPECT_EQ(points, 7);
    EXPECT_EQ(channels, 8);
  }
}

TEST(GetData, InvalidTypeBindsAndReleasesQuietly) {
  testing_support::SimBus bus;
  testing_support::ModuleHost host;
  testing_support::HostArrays arrays(8);
  int32_t points = 0;
  int16_t channels = 5;
  EXPECT_EQ(GetData(5, &arrays.buffers, &points, &channels, host.Window(), host.Callback), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.steps, 0);
  EXPECT_TRUE(host.positions.empty());
}

TEST(GetData, RecordsThisCallsCallbackAndWindow) {
  testing_support::ModuleHost first;
  testing_support::HostArrays arrays(8);
  int32_t points = 0;
  int16_t channels = 5;
  CWnd other{};
  GetData(5, &arrays.buffers, &points, &channels, &other, nullptr);
  EXPECT_EQ(Module().Callback, nullptr);
  EXPECT_EQ(Module().ProgressWindow, &other);
}

int ThrowingCallback(void*, const CString*) {
  throw std::runtime_error("host callback failed");
}

TEST(GetData, NoExceptionCrossesIntoTheHost) {
  testing_support::SimBus bus;  // no instrument at DEV1: the driver reports a message
  testing_support::HostArrays arrays(4096);
  int32_t points = 0;
  int16_t channels = 3;
  CWnd window{};
  SetCalendarClock(&testing_support::SteppingClock);
  EXPECT_EQ(GetData(0, &arrays.buffers, &points, &channels, &window, &ThrowingCallback), 0);
  SetCalendarClock(nullptr);
  EXPECT_EQ(Gpib.library, nullptr) << "released after the failure";
}

}  // namespace
