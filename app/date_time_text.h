// The date text of the status bar: date, weekday and, if asked for, the
// time of day, from a clock that is passed in.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace sfx {

struct LocalDateTime {
  int year = 1970;
  int month = 1;      // 1..12
  int day = 1;        // 1..31
  int dayOfWeek = 5;  // 1 = Sunday .. 7 = Saturday
  int hour = 0;       // 0..23
  int minute = 0;     // 0..59
};

using Clock = std::function<LocalDateTime()>;

// The local date and time of the machine.
[[nodiscard]] LocalDateTime readSystemClock();

// "2024年3月5日 星期二", with " 9:5" after it when `withTime`; a piece whose
// option is false is left out. Omitted options: date and weekday on, time
// off. Each piece reads the clock for itself. Returns a program text.
[[nodiscard]] std::string dateTimeText(const Clock& clock, std::optional<bool> withDate = std::nullopt,
                                       std::optional<bool> withWeekday = std::nullopt,
                                       std::optional<bool> withTime = std::nullopt);

}  // namespace sfx
