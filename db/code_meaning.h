#pragma once
// What a result code means, in one line, for the "Code meaning" line of an error report.

#include <string>

#include "access/result_code.h"

namespace ql::db {

// The generic codes' description (access::GenericMeaning); for others "IDispatch error #N" (codes
// 0x80040201 to 0x8004FFFF, N being the low 16 bits minus 0x200) or "Unknown error 0xHEX". The
// layer's own codes carry their details in the report's source and description lines instead.
std::string CodeMeaning(access::ResultCode code);

}  // namespace ql::db
