// The target of a row on an input cut at its zero bytes into save folder,
// title and URL: whatever a page puts in the title and URL, the file is one
// name directly inside the save folder that the file system accepts.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/encoding.h"
#include "queue/target_name.h"
#include "tests/fuzz/fuzz_check.h"

namespace sfx {
namespace {

// NAME_MAX of the Linux file systems, in bytes of the name's UTF-8 form.
constexpr std::size_t kMaxNameBytes = 255;

// The control characters of Unicode in a UTF-8 text: C0, DEL, and C1
// (U+0080 to U+009F, written 0xC2 0x80 to 0xC2 0x9F).
bool holdsControlCharacter(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x20 || byte == 0x7F) return true;
    if (byte == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) return true;
  }
  return false;
}

void checkName(std::string_view name) {
  const ConvertResult utf8 = gb18030ToUtf8(name);
  SFX_FUZZ_CHECK(utf8.error == ConvertError::Ok);
  SFX_FUZZ_CHECK(!utf8.text.empty() && utf8.text != "." && utf8.text != "..");
  SFX_FUZZ_CHECK(utf8.text.size() <= kMaxNameBytes);
  SFX_FUZZ_CHECK(utf8.text.find('/') == std::string::npos);
  SFX_FUZZ_CHECK(!holdsControlCharacter(utf8.text));
}

// Resolving "." and ".." in the target without the file system leaves the
// name itself below the folder: the path cannot climb out of it.
void checkStaysInside(std::string_view folder, const std::string& targetPath, std::string_view name) {
  namespace fs = std::filesystem;
  const fs::path base = folder.empty() ? fs::path(".") : fs::path(std::string(folder));
  const fs::path relative = fs::path(targetPath).lexically_normal().lexically_relative(base.lexically_normal());
  SFX_FUZZ_CHECK(relative == fs::path(std::string(name)));
}

}  // namespace
}  // namespace sfx

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sfx;
  const auto texts = fuzz::splitAtZeros(data, size, 3);
  const std::string_view folder = texts[0];
  const std::string_view title = texts[1];
  const std::string_view url = texts[2];

  const TargetName target = targetNameFor(folder, title, url);

  // The file name is a piece of the URL and the extension its end.
  SFX_FUZZ_CHECK(url.find(target.fileName) != std::string_view::npos);
  SFX_FUZZ_CHECK(target.fileName.size() >= target.extension.size());
  SFX_FUZZ_CHECK(target.fileName.ends_with(target.extension));

  // folder, "/" unless the folder is empty or already ends in one, the name.
  std::string prefix(folder);
  if (!prefix.empty() && !prefix.ends_with('/')) prefix += '/';
  SFX_FUZZ_CHECK(target.targetPath.starts_with(prefix));
  const std::string_view name = std::string_view(target.targetPath).substr(prefix.size());
  checkName(name);
  checkStaysInside(folder, target.targetPath, name);
  return 0;
}
