#include "app/date_time_text.h"

#include <ctime>

#include "platform/encoding.h"
#include "text/text_number.h"

namespace sfx {
namespace {

constexpr int kDaysInWeek = 7;

const char* const kWeekdayNames[kDaysInWeek] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};

std::string datePiece(const LocalDateTime& now) {
  return intToText(now.year) + programText("年") + intToText(now.month) + programText("月") + intToText(now.day) +
         programText("日");
}

std::string weekdayPiece(const LocalDateTime& now) {
  // Only a broken clock gives a day outside 1..7; it gets no name rather than a wrong one.
  if (now.dayOfWeek < 1 || now.dayOfWeek > kDaysInWeek) return " ";
  return " " + programText(kWeekdayNames[now.dayOfWeek - 1]);
}

std::string timePiece(const LocalDateTime& now) { return " " + intToText(now.hour) + ":" + intToText(now.minute); }

}  // namespace

LocalDateTime readSystemClock() {
  const std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_wday + 1, local.tm_hour, local.tm_min};
}

std::string dateTimeText(const Clock& clock, std::optional<bool> withDate, std::optional<bool> withWeekday,
                         std::optional<bool> withTime) {
  std::string text;
  if (withDate.value_or(true)) text += datePiece(clock());
  if (withWeekday.value_or(true)) text += weekdayPiece(clock());
  if (withTime.value_or(false)) text += timePiece(clock());
  return text;
}

}  // namespace sfx
