// Program texts (GB18030 bytes) to and from the widgets' QString.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace sfx {

// Never fails: a byte sequence that is not valid GB18030 (a text cut in the
// middle of a character, say) shows U+FFFD for each bad byte, and the rest
// of the text is still shown.
[[nodiscard]] QString toQString(std::string_view programText);

// Every Unicode character has a GB18030 form, so this is lossless; only a
// lone surrogate, which is no character, is replaced on the way.
[[nodiscard]] std::string fromQString(const QString& text);

}  // namespace sfx
