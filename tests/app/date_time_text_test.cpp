#include "app/date_time_text.h"

#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

#include "platform/encoding.h"

namespace sfx {
namespace {

Clock fixedClock(LocalDateTime now) {
  return [now] { return now; };
}

constexpr LocalDateTime kTuesday{2024, 3, 5, 3, 9, 5};  // Tuesday 5 March 2024, 09:05

TEST(DateTimeTextTest, OptionsChooseThePiecesWithDateAndWeekdayByDefault) {
  struct Case {
    const char* name;
    std::optional<bool> withDate, withWeekday, withTime;
    const char* expected;
  };
  const std::nullopt_t omitted = std::nullopt;
  const Case cases[] = {
      {"all omitted", omitted, omitted, omitted, "2024年3月5日 星期二"},
      {"date off", false, omitted, omitted, " 星期二"},
      {"weekday off", omitted, false, omitted, "2024年3月5日"},
      {"time on", omitted, omitted, true, "2024年3月5日 星期二 9:5"},
      {"all given true", true, true, true, "2024年3月5日 星期二 9:5"},
      {"all given false", false, false, false, ""},
      {"date only", true, false, false, "2024年3月5日"},
      {"weekday only", false, true, false, " 星期二"},
      {"time only", false, false, true, " 9:5"},
      {"date and time", true, false, true, "2024年3月5日 9:5"},
      {"weekday and time", false, true, true, " 星期二 9:5"},
      {"date and weekday given", true, true, false, "2024年3月5日 星期二"},
      {"time off, rest omitted", omitted, omitted, false, "2024年3月5日 星期二"},
      {"date off, time on", false, omitted, true, " 星期二 9:5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dateTimeText(fixedClock(kTuesday), c.withDate, c.withWeekday, c.withTime), programText(c.expected));
  }
}

TEST(DateTimeTextTest, WritesEveryDateAndTimeWithoutLeadingZeros) {
  struct Case {
    const char* name;
    LocalDateTime now;
    const char* expected;  // all three pieces
  };
  const Case cases[] = {
      {"Sunday", {2024, 3, 3, 1, 12, 0}, "2024年3月3日 星期日 12:0"},
      {"Monday", {2024, 3, 4, 2, 8, 30}, "2024年3月4日 星期一 8:30"},
      {"Wednesday new year", {2025, 1, 1, 4, 9, 5}, "2025年1月1日 星期三 9:5"},
      {"Thursday", {2024, 3, 7, 5, 0, 0}, "2024年3月7日 星期四 0:0"},
      {"Friday", {2024, 3, 8, 6, 14, 30}, "2024年3月8日 星期五 14:30"},
      {"Saturday", {2024, 3, 9, 7, 23, 59}, "2024年3月9日 星期六 23:59"},
      {"two-digit month and day", {2024, 12, 25, 4, 10, 10}, "2024年12月25日 星期三 10:10"},
      // Only a broken clock gives these; no name rather than a wrong one or a crash.
      {"weekday 0", {2024, 3, 5, 0, 1, 2}, "2024年3月5日  1:2"},
      {"weekday 8", {2024, 3, 5, 8, 1, 2}, "2024年3月5日  1:2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dateTimeText(fixedClock(c.now), true, true, true), programText(c.expected));
  }
}

TEST(DateTimeTextTest, EachPieceReadsTheClockForItself) {
  // Midnight passes between the readings: each piece shows its own moment.
  const std::vector<LocalDateTime> readings = {
      {2024, 3, 4, 2, 23, 59}, {2024, 3, 5, 3, 0, 0}, {2024, 3, 5, 3, 0, 1}};
  std::size_t next = 0;
  const Clock ticking = [&] { return readings.at(next++); };
  EXPECT_EQ(dateTimeText(ticking, true, true, true), programText("2024年3月4日 星期二 0:1"));
  EXPECT_EQ(next, 3u);

  next = 0;
  EXPECT_EQ(dateTimeText(ticking, false, true, false), programText(" 星期一"));
  EXPECT_EQ(next, 1u);  // pieces left out read nothing
}

TEST(DateTimeTextTest, SystemClockNumbersTheWeekFromSunday) {
  const LocalDateTime now = readSystemClock();
  ASSERT_GE(now.month, 1);
  ASSERT_LE(now.month, 12);
  const std::chrono::year_month_day date{std::chrono::year(now.year), std::chrono::month(static_cast<unsigned>(now.month)),
                                         std::chrono::day(static_cast<unsigned>(now.day))};
  ASSERT_TRUE(date.ok());
  const std::chrono::weekday weekday{std::chrono::sys_days(date)};
  EXPECT_EQ(now.dayOfWeek, static_cast<int>(weekday.c_encoding()) + 1);  // c_encoding: 0 = Sunday
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_GE(now.minute, 0);
  EXPECT_LE(now.minute, 59);
}

}  // namespace
}  // namespace sfx
