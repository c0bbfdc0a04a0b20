#pragma once
// Whether a statement only reads, for connections that must never change their database.

#include <string_view>

namespace ql::access {

// True for a single SELECT (or an Access TRANSFORM crosstab) that writes nowhere: not SELECT ...
// INTO, which makes a table, and not followed by a second statement. Blanks, comments and opening
// parentheses before the first word are skipped; quoted texts, bracketed names and comments are
// not searched for INTO or ';'. Errs on the side of refusing: whatever it cannot read as a query is
// not one.
bool IsReadOnlyStatement(std::string_view sql);

}  // namespace ql::access
