#pragma once
// How the SQLite provider reads a declared column type, and SQLite's date forms.

#include <optional>
#include <string_view>

namespace ql::access {

// The types a declared column type asks for beyond what SQLite's storage class says.
enum class DeclaredKind { kPlain, kTinyInt, kSmallInt, kDecimal, kBool, kDate };

// By the words SQLite's own affinity rules would look for (compared without regard to case), so
// "UNSIGNED TINYINT" is kTinyInt and "DATETIME" kDate. A null or unknown type is kPlain.
DeclaredKind KindOfDeclaredType(const char* declared);

// An OLE date for the texts SQLite's date functions read: "YYYY-MM-DD", optionally followed by
// " HH:MM", " HH:MM:SS" or " HH:MM:SS.SSS" (a 'T' may stand for the blank; the fraction of a second
// is dropped); or one of the time forms alone, on day 0. Nothing when the text is none of these or
// names no real date in the years 100 to 9999, and nothing for a time with a zone ('Z' or an offset
// such as "+02:00"), which the date form cannot show: the provider keeps such a value as its text.
std::optional<double> OleDateFromText(std::string_view text);

// An OLE date for a Julian day number, the way SQLite reads a number as a date; nothing outside the
// years 100 to 9999.
std::optional<double> OleDateFromJulianDay(double julianDay);

}  // namespace ql::access
