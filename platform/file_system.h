// The few file-system facts the queue needs. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace sfx {

[[nodiscard]] bool isDirectory(const std::string& path);
// Creates the folder with its missing parents; true when it exists afterwards.
[[nodiscard]] bool createDirectories(const std::string& path);
// Size of the file in bytes, -1 when there is no such file.
[[nodiscard]] std::int64_t fileSize(const std::string& path);

}  // namespace sfx
