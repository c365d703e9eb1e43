// The text helpers on arbitrary bytes and numbers: no crash, no read outside
// the text, and the properties every caller relies on.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_check.h"
#include "text/character.h"
#include "text/text_number.h"
#include "text/text_search.h"

namespace sfx {
namespace {

// The longest floatToText form: sign, six digits, point, "e", exponent sign
// and three digits ("-1.23457e+038").
constexpr std::size_t kMaxFloatTextBytes = 13;
// The longest realToText form: sign, 13 digits, point, "e", exponent sign and
// three digits ("-1.234567890123e-308").
constexpr std::size_t kMaxRealTextBytes = 20;

// Half a unit in the last kept digit, relative to the value, with room for
// the binary rounding of the parsed text.
constexpr double kFloatTolerance = 5e-6 * (1 + 1e-9);
constexpr double kRealTolerance = 5e-13 * (1 + 1e-6);

bool isCharacterStart(std::string_view text, std::size_t index) {
  std::size_t at = 0;
  while (at < index) at += characterLength(text, at);
  return at == index;
}

// A position findText or findTextFromEnd returned for a non-empty sought text.
void checkFound(std::string_view text, std::string_view sought, std::int32_t position, bool ignoreCase) {
  if (position == -1) return;
  SFX_FUZZ_CHECK(position >= 1);
  const auto index = static_cast<std::size_t>(position - 1);
  SFX_FUZZ_CHECK(index + sought.size() <= text.size());
  const std::string_view there = text.substr(index, sought.size());
  SFX_FUZZ_CHECK(ignoreCase ? fuzz::equalFolded(there, sought) : there == sought);
  SFX_FUZZ_CHECK(isCharacterStart(text, index));
}

void checkSearch(std::string_view text, std::string_view sought, std::int32_t start, bool ignoreCase) {
  const std::int32_t first = findText(text, sought, 1, ignoreCase);
  const std::int32_t fromStart = findText(text, sought, start, ignoreCase);
  const std::int32_t last = findTextFromEnd(text, sought, ignoreCase);
  if (sought.empty()) {
    const std::int32_t expected = text.empty() ? -1 : 1;
    SFX_FUZZ_CHECK(first == expected && last == expected);
    return;
  }
  checkFound(text, sought, first, ignoreCase);
  checkFound(text, sought, fromStart, ignoreCase);
  checkFound(text, sought, last, ignoreCase);
  SFX_FUZZ_CHECK(last >= first);
  SFX_FUZZ_CHECK((first == -1) == (last == -1));
  // A later start can only find the same occurrence or a later one.
  if (fromStart != -1) SFX_FUZZ_CHECK(fromStart >= std::max(start, first));
}

void checkReplace(std::string_view text, std::string_view sought, std::string_view replacement,
                  std::int32_t start, bool caseSensitive) {
  SFX_FUZZ_CHECK(replaceText(text, {}, replacement, start, std::nullopt, caseSensitive) == text);
  SFX_FUZZ_CHECK(replaceText(text, sought, replacement, start, 0, caseSensitive) == text);
  if (caseSensitive) SFX_FUZZ_CHECK(replaceText(text, sought, sought, start) == text);
  (void)replaceText(text, sought, replacement, start, std::nullopt, caseSensitive);

  // The first replacement goes where findText finds the first occurrence.
  if (sought.empty()) return;
  const std::string once = replaceText(text, sought, replacement, start, 1, caseSensitive);
  const std::int32_t at = findText(text, sought, start, !caseSensitive);
  if (at == -1) {
    SFX_FUZZ_CHECK(once == text);
    return;
  }
  const auto index = static_cast<std::size_t>(at - 1);
  std::string expected(text.substr(0, index));
  expected.append(replacement);
  expected.append(text.substr(index + sought.size()));
  SFX_FUZZ_CHECK(once == expected);
}

void checkCut(std::string_view text, std::int32_t n) {
  const std::size_t kept = std::min<std::size_t>(n <= 0 ? 0 : static_cast<std::size_t>(n), text.size());
  const std::string left = textLeft(text, n);
  const std::string right = textRight(text, n);
  SFX_FUZZ_CHECK(left.size() == kept && right.size() == kept);
  SFX_FUZZ_CHECK(text.substr(0, kept) == left);
  SFX_FUZZ_CHECK(text.substr(text.size() - kept) == right);
}

void checkIntegers(std::int32_t value32, std::int64_t value64, std::string_view text) {
  (void)textToInt(text);
  SFX_FUZZ_CHECK(textToInt(intToText(value32)) == value32);
  // Reading wraps modulo 2^32, so any 64-bit number reads as its low 32 bits.
  SFX_FUZZ_CHECK(textToInt(intToText(value64)) == static_cast<std::int32_t>(static_cast<std::uint64_t>(value64)));
}

// A finite number's text, read back, is the number to within `tolerance` of
// its magnitude; a non-finite one reads "inf", "-inf" or "nan".
void checkRealText(const std::string& text, double value, std::size_t maxBytes, double tolerance) {
  SFX_FUZZ_CHECK(!text.empty() && text.size() <= maxBytes);
  if (!std::isfinite(value)) {
    SFX_FUZZ_CHECK(text == (std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf"));
    return;
  }
  if (value == 0) {
    SFX_FUZZ_CHECK(text == "0");
    return;
  }
  double read = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
  SFX_FUZZ_CHECK(error == std::errc{} && end == text.data() + text.size());
  SFX_FUZZ_CHECK(std::fabs(read - value) <= std::fabs(value) * tolerance);
}

}  // namespace
}  // namespace sfx

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sfx;
  FuzzedDataProvider input(data, size);
  const auto start = input.ConsumeIntegral<std::int32_t>();
  const auto n = input.ConsumeIntegral<std::int32_t>();
  const auto value32 = input.ConsumeIntegral<std::int32_t>();
  const auto value64 = input.ConsumeIntegral<std::int64_t>();
  const auto floatValue = std::bit_cast<float>(input.ConsumeIntegral<std::uint32_t>());
  const auto realValue = std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>());
  const bool flag = input.ConsumeBool();
  const std::string text = input.ConsumeRandomLengthString();
  const std::string sought = input.ConsumeRandomLengthString();
  const std::string replacement = input.ConsumeRemainingBytesAsString();

  checkSearch(text, sought, start, flag);
  checkReplace(text, sought, replacement, start, flag);
  checkCut(text, n);
  checkIntegers(value32, value64, text);
  checkRealText(floatToText(floatValue), floatValue, kMaxFloatTextBytes, kFloatTolerance);
  checkRealText(realToText(realValue), realValue, kMaxRealTextBytes, kRealTolerance);
  return 0;
}
