// Contents for test downloads and the bytes of the files they leave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace sfx::test {

// `size` bytes that differ with `seed`, so that a file landing under the
// wrong name, or a piece landing at the wrong place, shows.
inline std::string bytesOf(std::size_t size, unsigned seed = 1) {
  std::string data(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : data) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return data;
}

// `size` bytes made of `unit` over and over, the last copy cut short: the
// whole of a large body that a server streams from one small piece.
inline std::string repeatedTo(const std::string& unit, std::size_t size) {
  std::string data;
  data.reserve(size + unit.size());
  while (data.size() < size) data += unit;
  data.resize(size);
  return data;
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

}  // namespace sfx::test
