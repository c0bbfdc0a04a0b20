#pragma once
// What a result code means, in one line, for the "Code meaning" line of an error report.

#include <string>
#include <string_view>

#include "access/result_code.h"

namespace ql::db {

// The program's own text for the generic codes; for others "IDispatch error #N" (codes 0x80040201
// to 0x8004FFFF, N being the low 16 bits minus 0x200) or "Unknown error 0xHEX".
std::string CodeMeaning(access::ResultCode code);

// A message text without its trailing line end: a final "\n" is cut, and only then a "\r" before
// it. A text of one character is kept as it is.
std::string TrimMessageEnd(std::string_view text);

}  // namespace ql::db
