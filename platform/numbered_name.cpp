#include "platform/numbered_name.h"

namespace sfx {
namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first `limit` bytes of `text` or fewer, never splitting a character.
std::string_view cutAtCharacter(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  while (limit > 0 && isContinuationByte(text[limit])) --limit;
  return text.substr(0, limit);
}

}  // namespace

std::string numberedName(std::string_view name, int n) {
  const std::size_t dot = name.rfind('.');
  std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
  std::string_view extension = dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
  std::string suffix;
  if (n > 0) suffix.append("(").append(std::to_string(n)).append(")");

  std::size_t room = kMaxFileNameBytes - suffix.size();
  if (stem.size() + extension.size() > room) {
    if (extension.size() <= room) {
      stem = cutAtCharacter(stem, room - extension.size());
    } else {
      stem = {};
      extension = cutAtCharacter(extension, room);
    }
  }
  std::string candidate;
  candidate.reserve(stem.size() + suffix.size() + extension.size());
  candidate.append(stem).append(suffix).append(extension);
  return candidate;
}

}  // namespace sfx
