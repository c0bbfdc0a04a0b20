#pragma once
// A value as the file formats of Rows write it (csv, tsv, json): exact numbers with every digit,
// reals in the shortest form that reads back as the same number, ISO 8601 dates, base64 binary.
// Nothing is rounded or cut; the format's own quoting is left to the caller.

#include <string>

#include "access/variant.h"

namespace ql::db {

// What the text stands for, so that a format can write each kind in its own way (JSON writes
// numbers and booleans bare, everything else as a string).
enum class ExportKind { kNull, kNumber, kBoolean, kText };

// Appends the value's text to `out` (nothing for NULL): integers and decimals as their digits
// ("12345678901234567890.125"), currency with its four decimals, reals as the shortest digits that
// read back as the same number of their width ("0.1", "1e-07"), NaN and the infinities as the text
// "NaN", "Infinity" and "-Infinity", booleans "true" and "false", dates "2003-10-01" or
// "2004-03-02T14:05:09" (a date outside the calendar's years as "<Date out of range>"), binary as
// base64, texts as their bytes; a type without a form of its own as the table shows it.
ExportKind AppendExportValue(const access::Variant& value, std::string& out);

}  // namespace ql::db
