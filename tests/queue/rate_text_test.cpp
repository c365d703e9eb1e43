#include "queue/rate_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace sfx {
namespace {

TEST(TwoDecimalText, CutsAfterTwoDecimals) {
  struct Case {
    const char* name;
    float x;
    const char* expected;
  };
  const Case cases[] = {
      {"cut, not rounded", 12.3456789f, "12.34"},
      {"one decimal not padded", 1.5f, "1.5"},
      {"whole number padded", 2.0f, "2.00"},
      {"six digits round first", 1.999999f, "2.00"},
      {"five nines cut", 1.99999f, "1.99"},
      {"zero", 0.0f, "0.00"},
      {"hundred", 100.0f, "100.00"},
      {"below a hundredth", 0.0099f, "0.00"},
      {"smallest positional", 0.0001f, "0.00"},
      {"exponent form below 1e-4", 0.00001f, "0.00"},
      {"exponent form from 1e6", 1234567.0f, "1234570.00"},
      {"exponent form, whole power", 1e8f, "100000000.00"},
      {"negative", -1.5f, "-1.5"},
  };
  for (const Case& c : cases) EXPECT_EQ(twoDecimalText(c.x), c.expected) << c.name;
}

TEST(RateText, ChoosesUnitAndCuts) {
  struct Case {
    std::int64_t rate;
    const char* expected;
  };
  const Case cases[] = {
      {0, "0B/S"},
      {500, "500B/S"},
      {1023, "1023B/S"},
      {1024, "1.00KB/S "},
      {1025, "1.00KB/S "},
      {1536, "1.5KB/S "},
      {2047, "1.99KB/S "},
      {2048, "2.00KB/S "},
      {10000, "9.76KB/S "},
      {123456, "120.56KB/S "},
      {524288, "512.00KB/S "},
      {1048064, "1023.5KB/S "},
      {1048575, "1024.00KB/S "},
      {1048576, "1.00MB/S "},
      {1048577, "1.00MB/S "},
      {1572864, "1.5MB/S "},
      {3000000, "2.86MB/S "},
      {1073741823, "1024.00MB/S "},
      {1073741824, "1.00GB/S "},
      {1073741825, "1.00GB/S "},
      {2147483647, "2.00GB/S "},
      {2147483648, "2.00GB/S "},
      {5368709120, "5.00GB/S "},
      // 2^33 GB/S: floatToText writes "8.58993e+009", which must not be cut to "8.58".
      {std::numeric_limits<std::int64_t>::max(), "8589930000.00GB/S "},
  };
  for (const Case& c : cases) EXPECT_EQ(rateText(c.rate), c.expected) << c.rate;
}

TEST(PercentageText, CutsAndNeverShowsAnExponent) {
  struct Case {
    const char* name;
    std::int64_t done;
    std::int64_t size;
    const char* expected;
  };
  const Case cases[] = {
      {"nothing yet", 0, 1000, "0.00%"},
      {"an eighth", 1, 8, "12.5%"},
      {"a third", 1, 3, "33.33%"},
      {"two thirds cut", 2, 3, "66.66%"},
      {"three sevenths", 3, 7, "42.85%"},
      {"half", 1, 2, "50.00%"},
      {"one decimal", 999, 1000, "99.9%"},
      {"rounds to six digits first", 9999999, 10000000, "100.00%"},
      {"done", 100, 100, "100.00%"},
      {"a millionth", 1, 1000000, "0.00%"},
      {"a hundredth of a percent", 1, 10000, "0.01%"},
      {"below a hundredth of a percent", 1, 20000, "0.00%"},
      {"exponent-form percentage", 1, 10000000, "0.00%"},
      {"files over 2 GiB", 3000000000, 4000000000, "75.00%"},
      {"files over 4 GiB", 4294967296, 8589934592, "50.00%"},
      {"empty local file", 0, 0, "0.00%"},
      {"bytes but empty local file", 500, 0, "0.00%"},
      {"no local file", 500, -1, "0.00%"},
      {"negative done", -5, 100, "0.00%"},
      {"more done than the size", 150, 100, "150.00%"},
      {"far more done than the size", 1000000, 1, "100000000.00%"},
  };
  for (const Case& c : cases) EXPECT_EQ(percentageText(c.done, c.size), c.expected) << c.name;
}

}  // namespace
}  // namespace sfx
