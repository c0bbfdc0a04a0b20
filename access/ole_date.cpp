#include "access/ole_date.h"

#include <cmath>
#include <cstdint>

namespace ql::access {
namespace {

// Day 0 of OLE dates (30 December 1899) counted from 1 January 1970.
constexpr std::int64_t kOleEpochFromUnix = -25569;

// Days from 1 January 1970 in the proleptic Gregorian calendar (H. Hinnant's civil algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<CalendarTime> SplitOleDate(double oleDate) {
  // A day's width of slack on both sides; the year check below settles the range.
  if (!std::isfinite(oleDate) || oleDate <= kFirstOleDay - 1 || oleDate >= kLastOleDay + 2) return std::nullopt;
  // The integer part counts days (backwards for negative dates); the fraction is always the time
  // of day counted forwards from midnight, so -1.25 is 29 December 1899, 06:00.
  const double wholeDays = std::trunc(oleDate);
  const double daySeconds = std::fabs(oleDate - wholeDays) * static_cast<double>(kSecondsPerDay);
  // Seconds are truncated: 23:59:59.9 stays on its day. A whole second is rarely exact in a double,
  // though, and may be stored a hair below itself: a time within a few units of the date's last
  // binary place (about 40 microseconds in the year 9999, far less today) of a whole second counts
  // as that second.
  const double magnitude = std::fabs(oleDate);
  const double resolution = 4 * static_cast<double>(kSecondsPerDay) * (std::nextafter(magnitude, HUGE_VAL) - magnitude);
  const double nearest = std::round(daySeconds);
  const double secondsOfDay = std::fabs(daySeconds - nearest) <= resolution ? nearest : std::floor(daySeconds);
  const std::int64_t seconds =
      static_cast<std::int64_t>(wholeDays) * kSecondsPerDay + static_cast<std::int64_t>(secondsOfDay);
  // Floor division: the seconds before day 0 belong to the days before it.
  std::int64_t day = seconds / kSecondsPerDay;
  std::int64_t secondOfDay = seconds % kSecondsPerDay;
  if (secondOfDay < 0) {
    secondOfDay += kSecondsPerDay;
    --day;
  }
  CalendarTime time;
  CivilFromDays(day + kOleEpochFromUnix, time.year, time.month, time.day);
  if (time.year < 100 || time.year > 9999) return std::nullopt;
  time.hour = static_cast<int>(secondOfDay / 3600);
  time.minute = static_cast<int>(secondOfDay / 60 % 60);
  time.second = static_cast<int>(secondOfDay % 60);
  return time;
}

bool IsCalendarTime(const CalendarTime& time) {
  return time.year >= 100 && time.year <= 9999 && time.month >= 1 && time.month <= 12 && time.day >= 1 &&
         time.day <= DaysInMonth(time.year, time.month) && time.hour >= 0 && time.hour <= 23 && time.minute >= 0 &&
         time.minute <= 59 && time.second >= 0 && time.second <= 59;
}

std::optional<double> MakeOleDate(const CalendarTime& time) {
  if (!IsCalendarTime(time)) return std::nullopt;
  return OleDateOfCalendarTime(time);
}

double OleDateOfCalendarTime(const CalendarTime& time) {
  const std::int64_t days =
      DaysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day)) - kOleEpochFromUnix;
  const double fraction =
      static_cast<double>(time.hour * 3600 + time.minute * 60 + time.second) / static_cast<double>(kSecondsPerDay);
  // Before day 0 the fraction still counts forwards, so it moves the value away from zero.
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

}  // namespace ql::access
