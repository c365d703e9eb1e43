#include "harvest/end_page.h"

#include <string>

#include "harvest/harvest_texts.h"
#include "harvest/regex_object.h"
#include "platform/encoding.h"

namespace sfx {

void onEndPageClick(HarvestContext& context) {
  // The link is read as typed: its page variable is not substituted.
  const std::string pageText = context.fetchPage(context.ui.editText(EditBox::Link));
  parseEndPage(context, pageText);
}

std::int32_t parseEndPage(HarvestContext& context, std::string_view pageText) {
  Toolkit& ui = context.ui;
  static const std::string pattern = programText(kEndPagePatternUtf8);
  RegexObject regex;
  if (!regex.create(pattern, pageText, /*caseSensitive=*/false, /*multiLine=*/false, /*globalMatch=*/true,
                    /*quoteMarker=*/true)) {
    ui.messageBox(programText(kRegexFailedMessageUtf8), kIconError);
    return 0;
  }
  const std::int32_t count = regex.matchCount();
  if (count == 0) {
    // No pager with an ellipsis and a next-page link: a single page.
    ui.setEditText(EditBox::EndPage, "1");
    return 0;
  }
  // Every pager on the page is written in turn; the last one stays.
  for (std::int32_t i = 1; i <= count; ++i) ui.setEditText(EditBox::EndPage, regex.subMatchText(i, 1));
  return count;
}

}  // namespace sfx
