#include "harvest/listing_harvest.h"

#include <string>

#include "harvest/harvest_texts.h"
#include "harvest/regex_object.h"
#include "platform/encoding.h"
#include "text/text_number.h"
#include "text/text_search.h"

namespace sfx {
namespace {

// Status-bar parts of MainWindow that the harvest writes.
constexpr int kStatusPages = 1;
constexpr int kStatusRows = 2;

// The page variable of the link is replaced by this prefix and the page
// number, whatever the page variable's own text is.
constexpr std::string_view kPageNumberPrefix = "0_0_";

// A harvested URL without one of these schemes (compared byte-exact) is
// protocol-relative or bare and gets "http:" in front.
constexpr std::string_view kHttpsScheme = "https:";
constexpr std::string_view kHttpScheme = "http:";

std::string withHttpScheme(std::string url) {
  if (url.starts_with(kHttpsScheme) || url.starts_with(kHttpScheme)) return url;
  return std::string(kHttpScheme) + url;
}

}  // namespace

void onParseClick(HarvestContext& context) {
  Toolkit& ui = context.ui;
  ui.deleteAllRows();

  const std::int32_t startPage = textToInt(ui.editText(EditBox::StartPage));
  std::int32_t endPage = textToInt(ui.editText(EditBox::EndPage));
  if (endPage < startPage) {
    // An inverted range is corrected in the box and harvested as corrected:
    // the start page alone.
    ui.setEditText(EditBox::EndPage, intToText(startPage));
    endPage = startPage;
  }
  // 64 bits: boxes holding the extremes of the 32-bit range span 2^32 pages.
  const std::int64_t pageCount = std::int64_t{endPage} - startPage + 1;
  const std::string pageCountText = std::to_string(pageCount);

  for (std::int64_t page = startPage; page <= endPage; ++page) {
    const std::string pageText = intToText(static_cast<std::int32_t>(page));
    // Link and page variable are read afresh for every page: the user may
    // edit them while the events of the previous page are processed.
    const std::string pageUrl = replaceText(ui.editText(EditBox::Link), ui.editText(EditBox::PageVariable),
                                            std::string(kPageNumberPrefix) + pageText);
    parseListingPage(context, context.fetchPage(pageUrl));
    ui.setStatusText(kStatusPages, programText("共") + pageCountText + programText("页数据，正在解析第") +
                                       pageText + programText("页数据！"));
    ui.processPendingEvents();
    // Closing MainWindow ends the harvest after the page in progress.
    if (!ui.mainWindowOpen()) return;
  }

  ui.setStatusText(kStatusRows, programText("共") + intToText(ui.rowCount()) + programText("条解析数据！"));
  ui.setStatusText(kStatusPages, programText("共") + pageCountText + programText("页数据，已全部解析完成！"));
  ui.messageBox(programText("解析完成！"), kIconInformation, programText("提醒"));
}

std::int32_t parseListingPage(HarvestContext& context, std::string_view pageText) {
  Toolkit& ui = context.ui;
  RegexObject regex;
  if (!regex.create(ui.editText(EditBox::PagePattern), pageText, /*caseSensitive=*/false, /*multiLine=*/false,
                    /*globalMatch=*/true, /*quoteMarker=*/true)) {
    ui.messageBox(programText(kRegexFailedMessageUtf8), kIconError);
    return 0;
  }
  const std::int32_t count = regex.matchCount();
  if (count == 0) {
    ui.messageBox(programText("匹配失败，请检检查正则语句是否有误，数量：0"), kIconError);
    return 0;
  }
  for (std::int32_t i = 1; i <= count; ++i) {
    const int row = ui.appendRow();
    context.state.currentRow = row;
    ui.setCell(row, kColumnId, realToText(row + 1.0));
    ui.setCell(row, kColumnTitle, regex.subMatchText(i, 1));
    ui.setCell(row, kColumnUrl, withHttpScheme(regex.subMatchText(i, 2)));
    ui.setStatusText(kStatusRows, programText("已解析") + intToText(ui.rowCount()) + programText("条数据！"));
  }
  return count;
}

}  // namespace sfx
