#include "access/sqlite/sqlite_values.h"

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
    {"TINYINT", DeclaredKind::kTinyInt}, {"SMALLINT", DeclaredKind::kSmallInt}, {"NUMERIC", DeclaredKind::kDecimal},
    {"DECIMAL", DeclaredKind::kDecimal}, {"MONEY", DeclaredKind::kDecimal},     {"BOOL", DeclaredKind::kBool},
    {"DATE", DeclaredKind::kDate},       {"TIME", DeclaredKind::kDate},
};

// Day 0 of OLE dates as a Julian day number.
constexpr double kOleEpochJulianDay = 2415018.5;

// A linear count of days from day 0 (negative before it) in OLE's form, whose fraction always
// counts forwards from midnight.
std::optional<double> OleFromLinearDays(double days) {
  if (!std::isfinite(days)) return std::nullopt;
  const double day = std::floor(days);
  if (day < kFirstOleDay || day > kLastOleDay) return std::nullopt;
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

std::optional<double> OleDateFromJulianDay(double julianDay) {
  return OleFromLinearDays(julianDay - kOleEpochJulianDay);
}

}  // namespace ql::access
