// What the fuzz targets share: a check that stops the run on a broken
// invariant, the split of an input into the program's texts, and the
// comparison of texts with ASCII letter case ignored.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

// libFuzzer keeps the input of a run that aborts, so a broken invariant is
// reported like a crash, with the condition that failed.
#define SFX_FUZZ_CHECK(condition)                                                            \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (false)

namespace sfx::fuzz {

// The input cut at its first `parts` - 1 zero bytes: a program text never
// holds a zero byte, so a zero is the natural separator between the texts of
// one input. Missing parts are empty; the last part keeps everything after
// the last cut, zero bytes included.
inline std::vector<std::string_view> splitAtZeros(const std::uint8_t* data, std::size_t size,
                                                  std::size_t parts) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> texts;
  while (texts.size() + 1 < parts) {
    const std::size_t zero = rest.find('\0');
    texts.push_back(rest.substr(0, zero));
    rest = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);
  }
  texts.push_back(rest);
  return texts;
}

// Equal with ASCII letters compared without regard to case, as the program's
// case-ignoring searches compare.
inline bool equalFolded(std::string_view a, std::string_view b) {
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace sfx::fuzz
