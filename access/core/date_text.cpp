#include "access/core/date_text.h"

#include <cstddef>

#include "access/ascii.h"
#include "access/ole_date.h"

namespace ql::access {
namespace {

// Reads exactly `count` digits at `at`, moving past them.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t count) {
  if (at > text.size() || text.size() - at < count) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsAsciiDigit(text[at + i])) return std::nullopt;
    value = value * 10 + (text[at + i] - '0');
  }
  at += count;
  return value;
}

bool Expect(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

// "HH:MM", then optionally ":SS" and after it a fraction of a second of one digit or more, which
// is skipped. The ranges are checked where the date is made.
bool ReadTime(std::string_view text, std::size_t& at, CalendarTime& time) {
  const auto hour = Digits(text, at, 2);
  if (!hour || !Expect(text, at, ':')) return false;
  const auto minute = Digits(text, at, 2);
  if (!minute) return false;
  time.hour = *hour;
  time.minute = *minute;
  if (at >= text.size() || text[at] != ':') return true;
  ++at;
  const auto second = Digits(text, at, 2);
  if (!second) return false;
  time.second = *second;
  if (at < text.size() && text[at] == '.') {
    ++at;
    const std::size_t first = at;
    while (at < text.size() && IsAsciiDigit(text[at])) ++at;
    if (at == first) return false;
  }
  return true;
}

// "YYYY-MM-DD HH:MM:SS", the form SQLite's date functions write, read at its fixed places: what the
// general reading below gives for it, without its steps.
std::optional<CalendarTime> FixedForm(std::string_view text) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':') {
    return std::nullopt;
  }
  static constexpr std::size_t kStart[] = {0, 5, 8, 11, 14, 17};
  int fields[6];
  for (std::size_t i = 0; i < 6; ++i) {
    const std::size_t at = kStart[i];
    const std::size_t end = i == 0 ? 4 : at + 2;
    int value = 0;
    for (std::size_t c = at; c < end; ++c) {
      if (!IsAsciiDigit(text[c])) return std::nullopt;
      value = value * 10 + (text[c] - '0');
    }
    fields[i] = value;
  }
  return CalendarTime{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
}

}  // namespace

std::optional<CalendarTime> CalendarTimeFromIsoText(std::string_view text) {
  if (auto fixed = FixedForm(text)) return fixed;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  CalendarTime time{1899, 12, 30, 0, 0, 0};
  std::size_t at = 0;
  if (text.size() >= 3 && text[2] == ':') {
    if (!ReadTime(text, at, time)) return std::nullopt;
  } else {
    const auto year = Digits(text, at, 4);
    if (!year || !Expect(text, at, '-')) return std::nullopt;
    const auto month = Digits(text, at, 2);
    if (!month || !Expect(text, at, '-')) return std::nullopt;
    const auto day = Digits(text, at, 2);
    if (!day) return std::nullopt;
    time.year = *year;
    time.month = *month;
    time.day = *day;
    if (at < text.size() && (text[at] == ' ' || text[at] == 'T' || text[at] == 't')) {
      ++at;
      if (!ReadTime(text, at, time)) return std::nullopt;
    }
  }
  // Whatever follows (a zone, an era) is a part of the value the date form cannot hold.
  if (at != text.size()) return std::nullopt;
  return time;
}

std::optional<double> OleDateFromIsoText(std::string_view text) {
  const std::optional<CalendarTime> time = CalendarTimeFromIsoText(text);
  return time ? MakeOleDate(*time) : std::nullopt;
}

}  // namespace ql::access
