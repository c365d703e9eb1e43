// The file a row is downloaded to: the save folder, the row's title and the
// extension of the URL's file name.
//
// Titles and URLs come from web pages, so the name is made safe before it
// meets the file system: it never holds a path separator or another
// character that file systems refuse, is never empty, "." or "..", and fits
// the usual 255-byte limit of a file name. The target therefore always lies
// directly inside the save folder.
#pragma once

#include <string>
#include <string_view>

namespace sfx {

struct TargetName {
  std::string fileName;    // the last segment of the URL's path, as in the URL
  std::string extension;   // from the last "." of fileName on, dot included, as in the URL
  std::string targetPath;  // folder + the safe form of title + extension
};

// All texts are program texts (GB18030). `folder` is used as given; "/" is
// put between it and the name unless it already ends in one.
[[nodiscard]] TargetName targetNameFor(std::string_view folder, std::string_view title,
                                       std::string_view url);

}  // namespace sfx
