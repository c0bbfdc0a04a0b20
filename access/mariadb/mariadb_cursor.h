#pragma once
// The rows of one MariaDB result, read from the connection as the layer asks for them
// (mysql_use_result), so memory holds only what navigation reached; and a result held whole in
// memory, for the few rows of a catalog listing.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/core/provider.h"
#include "access/mariadb/mariadb_session.h"
#include "access/mariadb/mariadb_values.h"

namespace ql::access {

class MariadbCursor final : public ProviderCursor {
 public:
  // `result` is the connection's current result, opened with mysql_use_result; the cursor becomes
  // the link's streaming cursor. `killable`: the result is the first of a text that holds one
  // statement, so stopping that statement loses nothing the text asked for but these rows.
  MariadbCursor(std::shared_ptr<MariadbLink> link, MariadbResult result, bool killable);
  // The rest of a result left partly read is dropped, so that the connection is ready for the next
  // statement: a killable one is first stopped on the server (KILL QUERY), as reading a large result
  // to its end takes as long as the server takes to make it; any other is read to its end, so that
  // the statements after it in its text still run.
  ~MariadbCursor() override;
  MariadbCursor(const MariadbCursor&) = delete;
  MariadbCursor& operator=(const MariadbCursor&) = delete;

  const std::vector<std::string>& ColumnNames() const override { return names_; }
  bool FetchRow(RowWriter& row) override;

  // Reads the rest of the result into the cursor's memory, so that another statement can run.
  void SetAside();

 private:
  // The next row from the connection, or null at the result's end (then ended, its warnings read)
  // or at a failure (then kept in failure_).
  MYSQL_ROW Receive();
  void StopStreaming() noexcept;

  std::shared_ptr<MariadbLink> link_;
  std::vector<std::string> names_;
  std::vector<MariadbValueKind> kinds_;
  MariadbResult result_;
  // Rows set aside: each cell's length, or -1 for NULL, and the cells' bytes one after the other.
  std::vector<std::int64_t> asideLengths_;
  std::string asideBytes_;
  std::size_t asideCell_ = 0;
  std::size_t asideOffset_ = 0;
  std::optional<ErrorRecord> failure_;  // raised once the rows before it are read
  bool streaming_ = false;
  bool killable_;
};

// A small result read whole, its cells as the server's text or NULL.
class MariadbHeldRows final : public ProviderCursor {
 public:
  using Row = std::vector<std::optional<std::string>>;
  MariadbHeldRows(std::vector<std::string> names, std::vector<MariadbValueKind> kinds, std::vector<Row> rows)
      : names_(std::move(names)), kinds_(std::move(kinds)), rows_(std::move(rows)) {}

  const std::vector<std::string>& ColumnNames() const override { return names_; }
  bool FetchRow(RowWriter& row) override;

 private:
  std::vector<std::string> names_;
  std::vector<MariadbValueKind> kinds_;
  std::vector<Row> rows_;
  std::size_t next_ = 0;
};

}  // namespace ql::access
