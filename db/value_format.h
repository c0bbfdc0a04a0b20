#pragma once
// How a field's value is shown, chosen by the value's VARTYPE alone: by the record display (the
// text after the name column, line end included), and in the cells of a table.

#include <charconv>
#include <string>

#include "access/variant.h"

namespace ql::db {

// Appends an integer's digits without padding, as "%d" would give them.
template <class Number>
void AppendNumber(Number value, std::string& line) {
  char digits[24];
  char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  line.append(digits, end);
}

// Appends the value's text to `line`. Throws access::DataAccessError, having appended nothing, when
// the value cannot be converted for display (a decimal whose digits do not form a number).
void FormatValue(const access::Variant& value, std::string& line);

// What a table cell holds, for its alignment: numbers stand to the right.
enum class CellKind { kNull, kNumber, kOther };

// Appends the value's text as a table cell shows it: as FormatValue has it, but a text without its
// quotes and no line end. Throws as FormatValue does.
CellKind FormatCell(const access::Variant& value, std::string& cell);

}  // namespace ql::db
