#pragma once
// OLE Automation dates: a double counting days from 30 December 1899 at midnight, the time of day
// as its fraction (negative dates count the days backwards, the fraction still forwards).

#include <cstdint>
#include <optional>

namespace ql::access {

// The unit of a date's fraction: a second is 1 / kSecondsPerDay.
inline constexpr std::int64_t kSecondsPerDay = 86400;
// The first and the last day the calendar fields reach: 1 January 100 and 31 December 9999.
inline constexpr double kFirstOleDay = -657434.0;
inline constexpr double kLastOleDay = 2958465.0;

struct CalendarTime {
  int year = 0;    // 100 to 9999
  int month = 0;   // 1 to 12
  int day = 0;     // 1 to 31
  int hour = 0;    // 0 to 23
  int minute = 0;  // 0 to 59
  int second = 0;  // 0 to 59
  friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// Splits a date into its calendar fields, the seconds truncated (never rounded up into the next
// minute or day); nothing when the date lies outside the years 100 to 9999 or is not a finite number.
std::optional<CalendarTime> SplitOleDate(double oleDate);

// The date of the given calendar fields; nothing when a field is out of its range.
std::optional<double> MakeOleDate(const CalendarTime& time);
// The fields in 40 bits, lowest first: second and minute in 6 each, hour, day and month in 5, 5 and 4,
// the year in 14; for keeping them compactly. Fields IsCalendarTime accepts come back unchanged.
constexpr std::uint64_t PackCalendarTime(const CalendarTime& t) {
  return std::uint64_t(t.second & 0x3F) | std::uint64_t(t.minute & 0x3F) << 6 | std::uint64_t(t.hour & 0x1F) << 12 |
         std::uint64_t(t.day & 0x1F) << 17 | std::uint64_t(t.month & 0xF) << 22 | std::uint64_t(t.year & 0x3FFF) << 26;
}
constexpr CalendarTime UnpackCalendarTime(std::uint64_t packed) {
  return CalendarTime{static_cast<int>(packed >> 26 & 0x3FFF), static_cast<int>(packed >> 22 & 0xF),
                      static_cast<int>(packed >> 17 & 0x1F),   static_cast<int>(packed >> 12 & 0x1F),
                      static_cast<int>(packed >> 6 & 0x3F),    static_cast<int>(packed & 0x3F)};
}
inline constexpr int kPackedCalendarTimeBits = 40;

// True when MakeOleDate makes a date of these fields.
bool IsCalendarTime(const CalendarTime& time);
// MakeOleDate for fields IsCalendarTime has accepted, without checking them again.
double OleDateOfCalendarTime(const CalendarTime& time);

}  // namespace ql::access
