#pragma once
// How the record display shows a field's value: the text after the name column, chosen by the
// value's VARTYPE alone, line end included.

#include <string>

#include "access/variant.h"

namespace db {

// Throws access::DataAccessError when the value cannot be converted for display (a decimal whose
// digits do not form a number).
std::string FormatValue(const access::Variant& value);

}  // namespace db
