#pragma once
// A table's columns, from the result of the driver's SQLColumns, as the layer's columns rowset
// (SchemaKind::kColumns) gives them.

#include <memory>
#include <string>
#include <string_view>

#include "access/core/provider.h"
#include "access/odbc/odbc_link.h"
#include "access/odbc/odbc_statement.h"

namespace ql::access {

// `name` as an argument SQLColumns reads as a pattern, matching that name only: the driver's escape
// character before each '_', '%' and escape character in it. Unchanged when the driver names no
// escape character (it then matches names as they are).
std::string LiteralPattern(std::string_view name, std::string_view escape);

// Reads the whole SQLColumns result on `statement`: the columns of the first table the driver lists
// (one name may stand for tables in several schemas), in their order.
std::unique_ptr<ProviderCursor> ReadColumnsRowset(std::shared_ptr<OdbcLink> link,
                                                  std::shared_ptr<OdbcStatement> statement);

}  // namespace ql::access
