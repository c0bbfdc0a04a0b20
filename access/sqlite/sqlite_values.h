#pragma once
// How the SQLite provider reads a declared column type, and SQLite's numeric date form (its text
// forms are those of access/core/date_text.h).

#include <optional>
#include <string_view>

namespace ql::access {

// The types a declared column type asks for beyond what SQLite's storage class says.
enum class DeclaredKind { kPlain, kTinyInt, kSmallInt, kDecimal, kBool, kDate };

// By the words SQLite's own affinity rules would look for (compared without regard to case), so
// "UNSIGNED TINYINT" is kTinyInt and "DATETIME" kDate. A null or unknown type is kPlain.
DeclaredKind KindOfDeclaredType(const char* declared);

// An OLE date for a Julian day number, the way SQLite reads a number as a date; nothing outside the
// years 100 to 9999.
std::optional<double> OleDateFromJulianDay(double julianDay);

}  // namespace ql::access
