#include "text/text_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/encoding.h"

namespace sfx {
namespace {

TEST(TextToInt, ReadsTheLeadingInteger) {
  struct Case {
    const char* name;
    std::string text;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"leading space, unit after", " 200ms", 200},
      {"plus sign", "+7", 7},
      {"letters after the digits", "12abc", 12},
      {"no exponent", "1e3", 1},
      {"no hexadecimal", "0x1A", 0},
      {"leading zeros", "007", 7},
      {"letters only", "abc", 0},
      {"empty", "", 0},
      {"minus sign", "-5", -5},
      {"every white-space byte", "\t\n\v\f\r 42", 42},
      {"space between sign and digits", "- 5", 0},
      {"two signs", "--5", 0},
      {"full-width digits", programText("１２"), 12},
      {"ideographic space, full-width minus", programText("　－３４"), -34},
      {"full-width plus", programText("＋５"), 5},
      {"Chinese before the digits", programText("中12"), 0},
      {"Chinese after the digits", programText("12中"), 12},
      {"lone lead byte at the end is dropped", "1\x81", 1},
      {"full-width digit then lone lead byte", programText("１") + "\xA3", 1},
      {"lead byte before a digit pairs with it", "\x81" "5", 0},
      // The second byte of a four-byte character is an ASCII digit.
      {"digits inside a four-byte character", programText("😀"), 0},
      {"digits before a four-byte character", programText("7😀"), 7},
      {"2^32 wraps to 0", "4294967296", 0},
      {"2^31 wraps negative", "2147483648", std::numeric_limits<std::int32_t>::min()},
      {"most negative", "-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"largest", "2147483647", std::numeric_limits<std::int32_t>::max()},
      {"eleven digits wrap", "99999999999", 1215752191},
      {"negated after wrapping", "-4294967295", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(textToInt(c.text), c.expected) << c.name;
}

TEST(IntToText, WritesPlainDecimal) {
  struct Case {
    std::int64_t value;
    const char* expected;
  };
  const Case cases[] = {
      {0, "0"},
      {-3, "-3"},
      {10, "10"},
      {std::numeric_limits<std::int32_t>::max(), "2147483647"},
      {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
      {5000000000, "5000000000"},
      {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
  };
  for (const Case& c : cases) EXPECT_EQ(intToText(c.value), c.expected) << c.value;
}

TEST(RealToText, KeepsThirteenDigitsAndWidensTheExponent) {
  struct Case {
    const char* name;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"whole number", 4.0, "4"},
      {"row number", 10.0, "10"},
      {"one decimal", -2.5, "-2.5"},
      {"binary noise hidden", 0.1 + 0.2, "0.3"},
      {"thirteen digits", 1.0 / 3.0, "0.3333333333333"},
      {"smallest positional", 0.0001, "0.0001"},
      {"exponent below -4", 0.00001, "1e-005"},
      {"largest positional", 9999999999999.0, "9999999999999"},
      {"fraction rounded off", 1234567890123.4, "1234567890123"},
      {"exponent from 13", 1e13, "1e+013"},
      {"rounded to 13 digits", 123456789012345.0, "1.234567890123e+014"},
      {"three-digit exponent kept", 1e100, "1e+100"},
      {"tiny", 1e-300, "1e-300"},
      {"zero", 0.0, "0"},
      {"negative zero", -0.0, "0"},
      {"infinity", std::numeric_limits<double>::infinity(), "inf"},
      {"negative infinity", -std::numeric_limits<double>::infinity(), "-inf"},
      {"NaN", std::numeric_limits<double>::quiet_NaN(), "nan"},
      {"NaN with the sign bit, as 0.0 / 0.0 gives", -std::numeric_limits<double>::quiet_NaN(), "nan"},
  };
  for (const Case& c : cases) EXPECT_EQ(realToText(c.value), c.expected) << c.name;
}

TEST(FloatToText, RoundsToSixDigitsWithHalvesUp) {
  struct Case {
    const char* name;
    float value;
    const char* expected;
  };
  const Case cases[] = {
      {"one decimal", 1.5f, "1.5"},
      {"whole", 2.0f, "2"},
      {"cut to six digits", 12.3456789f, "12.3457"},
      {"two thirds", 66.666667f, "66.6667"},
      {"rounds up to a whole", 1.999999f, "2"},
      {"six nines kept", 1.99999f, "1.99999"},
      {"smallest positional", 0.0001f, "0.0001"},
      {"exponent below -4", 0.00001f, "1e-005"},
      {"exponent from 6", 1000000.0f, "1e+006"},
      {"exponent with six digits", 1234567.0f, "1.23457e+006"},
      {"zero", 0.0f, "0"},
      {"negative zero", -0.0f, "0"},
      {"half", 0.5f, "0.5"},
      {"hundred", 100.0f, "100"},
      {"binary noise of 0.1 hidden", 0.1f, "0.1"},
      {"rate just under 1024", 1023.9990234375f, "1024"},
      {"largest positional", 999999.0f, "999999"},
      {"rounds up into the exponent form", 999999.5f, "1e+006"},
      // Exact halves: formatting the binary value would round these to even.
      {"half up, not to even", 123456.5f, "123457"},
      {"half up at 100000", 100000.5f, "100001"},
      {"half up in the decimals", 12345.25f, "12345.3"},
      {"half up in the exponent form", 1234565.0f, "1.23457e+006"},
      {"negative rounds the magnitude", -12.3456789f, "-12.3457"},
      {"negative half", -123456.5f, "-123457"},
      {"small with six digits", 0.00012345678f, "0.000123457"},
      {"smallest denormal", std::numeric_limits<float>::denorm_min(), "1.4013e-045"},
      {"largest float", std::numeric_limits<float>::max(), "3.40282e+038"},
      {"infinity", std::numeric_limits<float>::infinity(), "inf"},
      {"NaN", std::numeric_limits<float>::quiet_NaN(), "nan"},
      {"NaN with the sign bit, as 0.0f / 0.0f gives", -std::numeric_limits<float>::quiet_NaN(), "nan"},
  };
  for (const Case& c : cases) EXPECT_EQ(floatToText(c.value), c.expected) << c.name;
}

}  // namespace
}  // namespace sfx
