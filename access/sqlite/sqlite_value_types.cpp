#include "access/sqlite/sqlite_value_types.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "access/ascii.h"
#include "access/ole_date.h"

namespace ql::access {
namespace {

struct DeclaredWord {
  std::string_view word;
  DeclaredKind kind;
};

// Checked in this order, so that TINYINT is not taken for plain INT and DATETIME is a date once.
constexpr DeclaredWord kDeclaredWords[] = {
    {"TINYINT", DeclaredKind::kTinyInt}, {"SMALLINT", DeclaredKind::kSmallInt},
    {"NUMERIC", DeclaredKind::kDecimal}, {"DECIMAL", DeclaredKind::kDecimal},
    {"MONEY", DeclaredKind::kDecimal},   {"BOOL", DeclaredKind::kBool},
    {"DATE", DeclaredKind::kDate},       {"TIME", DeclaredKind::kDate},
};

// Day 0 of OLE dates as a Julian day number.
constexpr double kOleEpochJulianDay = 2415018.5;
constexpr double kFirstDay = -657434;   // 1 January 100
constexpr double kLastDay = 2958465;    // 31 December 9999
constexpr double kSecondsPerDay = 86400;

// Reads exactly `count` digits at text[pos].
bool ReadDigits(std::string_view text, std::size_t& pos, int count, int& value) {
  if (pos + static_cast<std::size_t>(count) > text.size()) return false;
  value = 0;
  for (int i = 0; i < count; ++i) {
    const char c = text[pos + static_cast<std::size_t>(i)];
    if (!IsAsciiDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  pos += static_cast<std::size_t>(count);
  return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

// "HH:MM", "HH:MM:SS" or "HH:MM:SS.fff" at text[pos], as whole seconds of the day: the fraction of
// a second is dropped, since the display shows whole seconds and a fraction kept in the date's double
// could round it up into the next second or day.
bool ReadTime(std::string_view text, std::size_t& pos, double& seconds) {
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (!ReadDigits(text, pos, 2, hour) || !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, minute)) {
    return false;
  }
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    if (!ReadDigits(text, pos, 2, second)) return false;
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      const std::size_t start = pos;
      while (pos < text.size() && IsAsciiDigit(text[pos])) ++pos;
      if (pos == start) return false;
    }
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  seconds = hour * 3600 + minute * 60 + second;
  return true;
}

// A linear count of days from day 0 (negative before it) in OLE's form, whose fraction always
// counts forwards from midnight.
std::optional<double> OleFromLinearDays(double days) {
  if (!std::isfinite(days)) return std::nullopt;
  const double day = std::floor(days);
  if (day < kFirstDay || day > kLastDay) return std::nullopt;
  const double fraction = days - day;
  return day >= 0 ? days : day - fraction;
}

}  // namespace

DeclaredKind KindOfDeclaredType(const char* declared) {
  if (declared == nullptr) return DeclaredKind::kPlain;
  std::string upper;
  for (const char* c = declared; *c != '\0'; ++c) upper += AsciiUpper(*c);
  for (const DeclaredWord& entry : kDeclaredWords) {
    if (upper.find(entry.word) != std::string::npos) return entry.kind;
  }
  return DeclaredKind::kPlain;
}

std::optional<double> OleDateFromText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::size_t pos = 0;
  CalendarTime date{1899, 12, 30, 0, 0, 0};
  double seconds = 0;
  if (text.size() >= 10 && text[4] == '-') {
    if (!ReadDigits(text, pos, 4, date.year) || !Expect(text, pos, '-') ||
        !ReadDigits(text, pos, 2, date.month) || !Expect(text, pos, '-') ||
        !ReadDigits(text, pos, 2, date.day)) {
      return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T' || text[pos] == 't')) {
      ++pos;
      if (!ReadTime(text, pos, seconds)) return std::nullopt;
    }
  } else {
    if (!ReadTime(text, pos, seconds)) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  const std::optional<double> midnight = MakeOleDate(date);
  if (!midnight) return std::nullopt;
  // A date at midnight is a whole number of days, the same in OLE's form and the linear one.
  return OleFromLinearDays(*midnight + seconds / kSecondsPerDay);
}

std::optional<double> OleDateFromJulianDay(double julianDay) {
  return OleFromLinearDays(julianDay - kOleEpochJulianDay);
}


}  // namespace ql::access
