#pragma once
// How the record display shows a field's value: the text after the name column, chosen by the
// value's VARTYPE alone, line end included.

#include <string>

#include "access/variant.h"

namespace ql::db {

// Appends the value's text to `line`. Throws access::DataAccessError, having appended nothing, when
// the value cannot be converted for display (a decimal whose digits do not form a number).
void FormatValue(const access::Variant& value, std::string& line);

}  // namespace ql::db
