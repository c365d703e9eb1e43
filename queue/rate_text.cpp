#include "queue/rate_text.h"

#include <array>
#include <charconv>

#include "text/text_number.h"
#include "text/text_search.h"

namespace sfx {
namespace {

constexpr std::int64_t kKilobyte = 1024;
constexpr std::int64_t kMegabyte = 1024 * kKilobyte;
constexpr std::int64_t kGigabyte = 1024 * kMegabyte;

constexpr char kZeroPercent[] = "0.00%";

// Longest positional form of a float: sign, 39 integer digits, or "0." and
// about 50 decimals for the smallest denormal; with margin.
constexpr std::size_t kPositionalCapacity = 128;

// "1e-005" becomes "0.00001" and "1.23457e+006" becomes "1234570", so the
// cut to two decimals works on digits and never on an exponent.
std::string positionalForm(const std::string& exponentForm) {
  double value = 0;
  if (std::from_chars(exponentForm.data(), exponentForm.data() + exponentForm.size(), value).ec !=
      std::errc{})
    return exponentForm;  // floatToText always writes a number here
  std::array<char, kPositionalCapacity> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::fixed);
  if (error != std::errc{}) return exponentForm;  // cannot happen with kPositionalCapacity
  return std::string(buffer.data(), end);
}

// The quotient is taken in double precision, then rounded to single
// precision, the form the column has always shown.
std::string unitText(std::int64_t rate, std::int64_t unit, const char* unitName) {
  const auto quotient = static_cast<float>(static_cast<double>(rate) / static_cast<double>(unit));
  return twoDecimalText(quotient) + unitName;
}

}  // namespace

std::string twoDecimalText(float x) {
  std::string text = floatToText(x);
  if (findText(text, "e") != -1) text = positionalForm(text);
  if (findText(text, ".") == -1) return text + ".00";
  const std::int32_t point = findTextFromEnd(text, ".");
  return textLeft(text, point + 2);
}

std::string rateText(std::int64_t rate) {
  if (rate < kKilobyte) return intToText(rate) + "B/S";
  if (rate < kMegabyte) return unitText(rate, kKilobyte, "KB/S ");
  if (rate < kGigabyte) return unitText(rate, kMegabyte, "MB/S ");
  return unitText(rate, kGigabyte, "GB/S ");
}

std::string percentageText(std::int64_t done, std::int64_t size) {
  if (size <= 0 || done < 0) return kZeroPercent;
  const double percentage = static_cast<double>(done) / static_cast<double>(size) * 100.0;
  return twoDecimalText(static_cast<float>(percentage)) + "%";
}

}  // namespace sfx
