// Numbers read from instrument replies.
#include <gtest/gtest.h>

#include <climits>

#include "gpib/reply_numbers.h"

namespace {

TEST(ReplyNumbers, RealsAsTheCLocaleReadsThem) {
  struct Row {
    const char* text;
    double value;
    size_t end;
  };
  const Row rows[] = {
      {"1.0E-3", 1.0e-3, 6}, {" \t+2.5mV", 2.5, 6}, {"-.5", -0.5, 3}, {"12,5", 12.0, 2},
      {"5e", 5.0, 1},        {"abc", 0.0, 0},       {"", 0.0, 0},     {"-", 0.0, 0},
      {"inf", 0.0, 0},       {"1e999", 0.0, 5},     {"0x10", 0.0, 1},
  };
  for (const Row& row : rows) {
    const LeadingReal number = ReadLeadingReal(row.text);
    EXPECT_DOUBLE_EQ(number.value, row.value) << '"' << row.text << '"';
    EXPECT_EQ(number.end, row.end) << '"' << row.text << '"';
  }
}

TEST(ReplyNumbers, IntegersSaturateLikeStrtol) {
  EXPECT_EQ(ReadInteger("  -42abc"), -42);
  EXPECT_EQ(ReadInteger("+15000\n"), 15000);
  EXPECT_EQ(ReadInteger("2.9"), 2);
  EXPECT_EQ(ReadInteger("x1"), 0);
  EXPECT_EQ(ReadInteger("99999999999999999999999"), LONG_MAX);
  EXPECT_EQ(ReadInteger("-99999999999999999999999"), LONG_MIN);
}

TEST(ReplyNumbers, NeverReadsPastTheText) {
  const char reply[] = "1234";
  EXPECT_DOUBLE_EQ(ReadReal(std::string_view(reply, 2)), 12.0);
  EXPECT_EQ(ReadInteger(std::string_view(reply, 3)), 123);
}

}  // namespace
