#pragma once
// The rows of one ODBC result, fetched in blocks into bound buffers and handed to the
// layer one row at a time. A value too long for its buffer is read again whole with SQLGetData. Once
// its rows are all read the statement moves on to the next result (OdbcStatement::MoveOn).

#include <sql.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/core/provider.h"
#include "access/odbc/odbc_link.h"
#include "access/odbc/odbc_statement.h"
#include "access/odbc/odbc_values.h"

namespace ql::access {

class OdbcCursor final : public ProviderCursor {
 public:
  // A column of the result (numbered from 1) and the name the cursor shows it under.
  struct Column {
    SQLUSMALLINT number;
    std::string name;
  };

  // Reads the given columns of the executed statement's result; raises the driver's diagnostics
  // when the result cannot be described or bound.
  OdbcCursor(std::shared_ptr<OdbcLink> link, std::shared_ptr<OdbcStatement> statement, std::vector<Column> columns);
  // Every column of the result, under its own name.
  static std::unique_ptr<OdbcCursor> OfResult(std::shared_ptr<OdbcLink> link, std::shared_ptr<OdbcStatement> statement,
                                              SQLSMALLINT columnCount);
  ~OdbcCursor() override;
  // The driver holds pointers into the cursor (bound buffers, the count of rows fetched).
  OdbcCursor(const OdbcCursor&) = delete;
  OdbcCursor& operator=(const OdbcCursor&) = delete;

  const std::vector<std::string>& ColumnNames() const override { return names_; }
  bool FetchRow(RowWriter& row) override;

 private:
  struct Buffer {
    SQLUSMALLINT number;
    ColumnFetch fetch;
    std::size_t width;  // bytes per value
    std::vector<char> data;
    std::vector<SQLLEN> lengths;
  };

  void Bind();
  bool FetchBlock();
  void PutCell(Buffer& column, std::size_t row, RowWriter& writer);
  bool Truncated(const Buffer& column, SQLLEN length) const;
  // The whole value of a column of the current row, in pieces; nothing for NULL.
  std::optional<std::string> ReadWhole(const Buffer& column);

  std::shared_ptr<OdbcLink> link_;
  std::shared_ptr<OdbcStatement> statement_;
  std::vector<std::string> names_;
  std::vector<Buffer> columns_;
  bool bound_ = false;
  SQLULEN blockRows_ = 1;
  SQLULEN fetched_ = 0;
  SQLULEN next_ = 0;
  bool finished_ = false;
  std::vector<SQLUSMALLINT> status_;
  std::vector<char> piece_;
};

}  // namespace ql::access
