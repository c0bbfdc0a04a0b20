#pragma once
// Verbs for tests of the data-access layer that turn what the layer did into short texts:
// "0x80040E14" for a raised code, "I4:7" for a value, "1|north\n2|south\n" for the rows of a result.

#include <cstdio>
#include <string>

#include "access/data_access.h"

namespace ql::access_probe {

// The code that `action` raised as "0x%08X", or "none".
template <class Action>
std::string Raised(Action&& action) {
  try {
    action();
  } catch (const access::DataAccessError& error) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(error.Code()));
    return text;
  }
  return "none";
}

// A value as its type's short name, ':' and its text.
std::string Describe(const access::Variant& value);

// Every row from the current position to EOF, cells separated by '|', each row ending in '\n';
// NULL reads "<null>". The recordset is left at EOF.
std::string RestOfRows(access::Recordset& recordset);

// The first column of every row, one per line.
std::string Column(access::Recordset& recordset, const std::string& name);

}  // namespace ql::access_probe
