#include "Platform/Foundation/StringFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using Foundation::format;
using Foundation::formatFixed;

TEST(StringFormatTest, FixedRoundsTheExactBinaryValueWithTiesToEven) {
  struct Case {
    double value;
    int decimals;
    const char* expected;
  } cases[] = {
      {0.0, 1, "0.0"},
      {6.0, 1, "6.0"},
      {1e9 / 1073741824.0, 1, "0.9"},
      {16.0, 0, "16"},
      // Exact ties go to the even digit.
      {1.5, 0, "2"},
      {2.5, 0, "2"},
      {0.125, 2, "0.12"},
      {0.375, 2, "0.38"},
      {-2.5, 0, "-2"},
      // Decimal "ties" that are not exact in binary round by their true value.
      {1.005, 2, "1.00"},
      {2.675, 2, "2.67"},
      {0.15, 1, "0.1"},
      {0.35, 1, "0.3"},
      // Never grouped, never localised.
      {45000.25, 1, "45000.2"},
      {1e20, 0, "100000000000000000000"},
      {-0.04, 1, "-0.0"},
      {-0.0, 1, "-0.0"},
      {7.0, -3, "7"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(formatFixed(c.value, c.decimals), c.expected)
        << c.value << " with " << c.decimals << " decimals";
}

TEST(StringFormatTest, HalfAwayFromZeroIsExactWithRoundAndAnIntegerConversion) {
  // Whole numbers that round halves away from zero, as disk sizes do, against the
  // conversion's ties to even.
  struct Case {
    double value;
    const char* awayFromZero;
    const char* toEven;
  } cases[] = {
      {2.5, "3", "2"},         {-2.5, "-3", "-2"},    {0.5, "1", "0"},
      {999.5, "1000", "1000"}, {998.5, "999", "998"}, {0.49999999999999994, "0", "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(format("%lld", std::llround(c.value)), c.awayFromZero) << c.value;
    EXPECT_EQ(format("%.0f", c.value), c.toEven) << c.value;
  }
}

TEST(StringFormatTest, SubstitutesTypedArguments) {
  struct Case {
    std::string actual;
    const char* expected;
  } cases[] = {
      {format("%lld Mbps", 48), "48 Mbps"},
      {format("%lld dBm", -67), "-67 dBm"},
      {format("of %@ · %@ swap", "16 GB", "0.0 GB"), "of 16 GB · 0.0 GB swap"},
      {format("%lf", 1.5), "1.500000"},
      {format("%.1f GB", 6.0), "6.0 GB"},
      {format("%lld", std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {format("%llu", std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
      {format("%u", -1), "18446744073709551615"},
      {format("%x %X %#x %o", 255, 255, 255, 8), "ff FF 0xff 10"},
      {format("%5d|%-5d|%05d|%+d|% d", 42, 42, -42, 5, 5), "   42|42   |-0042|+5| 5"},
      {format("%08.2f", -3.14159), "-0003.14"},
      {format("%e|%.2E|%g|%g", 12345.678, 0.5, 0.0001, 1e20), "1.234568e+04|5.00E-01|0.0001|1e+20"},
      {format("%f|%F|%f", std::nan(""), -INFINITY, INFINITY), "nan|-INF|inf"},
      {format("%4@|%-3@|", "ß", "é"), "   ß|é  |"},
      {format("100%%"), "100%"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(StringFormatTest, PositionalSpecifiersReorderAndRepeat) {
  EXPECT_EQ(format("%2$@ von %1$@", "16 GB", "0.0 GB"), "0.0 GB von 16 GB");
  EXPECT_EQ(format("%1$@ und %1$@", "a"), "a und a");
  EXPECT_EQ(format("%2$lld:%1$.2f", 2.0, 9), "9:2.00");
}

TEST(StringFormatTest, MismatchedArgumentsAreWrittenInTheirNaturalForm) {
  EXPECT_EQ(format("%lld", "text"), "text");
  EXPECT_EQ(format("%@", 5), "5");
  EXPECT_EQ(format("%d", 2.5), "2.5");
  EXPECT_EQ(format("%.1f", 3), "3.0");
}

TEST(StringFormatTest, WhatCannotBeFilledIsKeptAsWritten) {
  struct Case {
    std::string actual;
    const char* expected;
  } cases[] = {
      {format("%@ and %@", "a"), "a and %@"},
      {format("%3$@", "a", "b"), "%3$@"},
      {format("%0$@", "a"), "%0$@"},
      {format("50%"), "50%"},
      {format("%y%@", "a"), "%ya"},
      {format("%", 1), "%"},
      {format("%99999999d", 1), "%99999999d"},
      {format("%.99999999f", 1.0), "%.99999999f"},
      {format("%lld"), "%lld"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected);
}

}  // namespace
