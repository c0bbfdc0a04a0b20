#include "access/odbc/odbc_cursor.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "access/core/value_text.h"

namespace ql::access {
namespace {

// Bound buffers of one cursor stay within this many bytes, and a block within this many rows.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxBlockRows = 512;
// Long values are read in pieces of this size.
constexpr std::size_t kPieceBytes = 64 * 1024;

// Drivers with which a value too long for its buffer can be read again on any row of a block
// (SQLSetPos with SQL_POSITION, then SQLGetData). MariaDB's driver, for one, reads the first row of
// the block instead and then loses rows; drivers not listed fetch one row at a time.
constexpr std::string_view kBlockFetchDrivers[] = {"psqlodbc"};

bool FetchesInBlocks(const OdbcLink& link) {
  if ((link.getDataExtensions & SQL_GD_BLOCK) == 0) return false;
  for (std::string_view library : kBlockFetchDrivers) {
    if (link.driver.library.find(library) != std::string::npos) return true;
  }
  return false;
}

SQLPOINTER AsPointer(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(value)); }

}  // namespace

OdbcCursor::OdbcCursor(std::shared_ptr<OdbcLink> link, std::shared_ptr<OdbcStatement> statement,
                       std::vector<Column> columns)
    : link_(std::move(link)), statement_(std::move(statement)) {
  std::vector<char> name(256);
  for (Column& column : columns) {
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    if (!SQL_SUCCEEDED(SQLDescribeCol(statement_->Get(), column.number, reinterpret_cast<SQLCHAR*>(name.data()),
                                      static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size, &digits,
                                      &nullable))) {
      link_->Raise(statement_->Handle(), "Describing the result");
    }
    if (column.name.empty() && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
      name.resize(static_cast<std::size_t>(nameLength) + 1);
      SQLDescribeCol(statement_->Get(), column.number, reinterpret_cast<SQLCHAR*>(name.data()),
                     static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size, &digits, &nullable);
    }
    if (column.name.empty()) column.name.assign(name.data(), ::strnlen(name.data(), name.size()));
    const ColumnFetch fetch = FetchOfSqlType(sqlType);
    names_.push_back(std::move(column.name));
    columns_.push_back({column.number, fetch, CellBytes(fetch.kind, size), {}, {}});
  }
  Bind();
}

std::unique_ptr<OdbcCursor> OdbcCursor::OfResult(std::shared_ptr<OdbcLink> link,
                                                 std::shared_ptr<OdbcStatement> statement, SQLSMALLINT columnCount) {
  std::vector<Column> columns;
  for (SQLSMALLINT number = 1; number <= columnCount; ++number) {
    columns.push_back({static_cast<SQLUSMALLINT>(number), {}});
  }
  return std::make_unique<OdbcCursor>(std::move(link), std::move(statement), std::move(columns));
}

OdbcCursor::~OdbcCursor() {
  // The buffers go before the statement does, which may outlive the cursor to give the next result:
  // unbind, and take back the pointers into the cursor, so that nothing can write into them.
  if (bound_) SQLFreeStmt(statement_->Get(), SQL_UNBIND);
  if (blockRows_ > 1) {
    SQLSetStmtAttr(statement_->Get(), SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(statement_->Get(), SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttr(statement_->Get(), SQL_ATTR_ROW_ARRAY_SIZE, AsPointer(1), 0);
  }
}

void OdbcCursor::Bind() {
  // A value that overflows its buffer is read again with SQLGetData, which a driver allows on a
  // bound column only with SQL_GD_BOUND. Without it every value is read with SQLGetData, one row at
  // a time.
  bound_ = (link_->getDataExtensions & SQL_GD_BOUND) != 0;
  if (!bound_) return;
  std::size_t rowBytes = 0;
  for (const Buffer& column : columns_) rowBytes += column.width + sizeof(SQLLEN);
  SQLULEN rows = 1;
  if (FetchesInBlocks(*link_)) {
    rows = std::clamp<std::size_t>(kBlockBytes / std::max<std::size_t>(rowBytes, 1), 1, kMaxBlockRows);
  }
  if (rows > 1 && !SQL_SUCCEEDED(SQLSetStmtAttr(statement_->Get(), SQL_ATTR_ROW_ARRAY_SIZE, AsPointer(rows), 0))) {
    rows = 1;
  }
  blockRows_ = rows;
  status_.assign(rows, SQL_ROW_NOROW);
  if (rows > 1) {
    SQLSetStmtAttr(statement_->Get(), SQL_ATTR_ROW_BIND_TYPE, AsPointer(SQL_BIND_BY_COLUMN), 0);
    SQLSetStmtAttr(statement_->Get(), SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0);
    SQLSetStmtAttr(statement_->Get(), SQL_ATTR_ROW_STATUS_PTR, status_.data(), 0);
  }
  for (Buffer& column : columns_) {
    column.data.assign(column.width * rows, '\0');
    column.lengths.assign(rows, SQL_NULL_DATA);
    if (!SQL_SUCCEEDED(SQLBindCol(statement_->Get(), column.number, column.fetch.cType, column.data.data(),
                                  static_cast<SQLLEN>(column.width), column.lengths.data()))) {
      link_->Raise(statement_->Handle(), "Binding the result's columns");
    }
  }
}

bool OdbcCursor::FetchRow(RowWriter& row) {
  if (next_ >= fetched_ && !FetchBlock()) return false;
  for (Buffer& column : columns_) PutCell(column, next_, row);
  ++next_;
  return true;
}

bool OdbcCursor::FetchBlock() {
  next_ = 0;
  fetched_ = 0;
  if (finished_) return false;
  SQLRETURN rc;
  {
    RunningStatement running(*link_, statement_->Get());
    rc = SQLFetch(statement_->Get());
  }
  if (rc == SQL_NO_DATA) {
    finished_ = true;
    statement_->MoveOn(true);
    return false;
  }
  if (!SQL_SUCCEEDED(rc)) link_->Raise(statement_->Handle(), "Fetching rows");
  link_->Note(rc, statement_->Handle());
  if (blockRows_ == 1) {
    fetched_ = 1;
  } else {
    fetched_ = std::min(fetched_, blockRows_);
    for (SQLULEN i = 0; i < fetched_; ++i) {
      if (status_[i] == SQL_ROW_ERROR) {
        fetched_ = 0;
        link_->Raise(statement_->Handle(), "Fetching rows");
      }
    }
  }
  return fetched_ > 0;
}

bool OdbcCursor::Truncated(const Buffer& column, SQLLEN length) const {
  if (length == SQL_NO_TOTAL) return true;
  return static_cast<std::size_t>(length) + TerminatorBytes(column.fetch.cType) > column.width;
}

void OdbcCursor::PutCell(Buffer& column, std::size_t row, RowWriter& writer) {
  if (bound_) {
    const SQLLEN length = column.lengths[row];
    if (length == SQL_NULL_DATA) return writer.PutNull();
    if (length >= 0 && !Truncated(column, length)) {
      const std::string_view bytes(column.data.data() + row * column.width, static_cast<std::size_t>(length));
      return PutFetchedValue(column.fetch.kind, bytes, writer);
    }
    if (blockRows_ > 1 && !SQL_SUCCEEDED(SQLSetPos(statement_->Get(), static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION,
                                                   SQL_LOCK_NO_CHANGE))) {
      link_->Raise(statement_->Handle(), "Reading a long value");
    }
  }
  const std::optional<std::string> value = ReadWhole(column);
  if (!value) return writer.PutNull();
  PutFetchedValue(column.fetch.kind, *value, writer);
}

std::optional<std::string> OdbcCursor::ReadWhole(const Buffer& column) {
  if (piece_.empty()) piece_.resize(kPieceBytes);
  const std::size_t room = piece_.size() - TerminatorBytes(column.fetch.cType);
  std::string value;
  RunningStatement running(*link_, statement_->Get());
  for (;;) {
    SQLLEN length = 0;
    const SQLRETURN rc = SQLGetData(statement_->Get(), column.number, column.fetch.cType, piece_.data(),
                                    static_cast<SQLLEN>(piece_.size()), &length);
    if (rc == SQL_NO_DATA) break;  // the last piece came with the call before
    if (!SQL_SUCCEEDED(rc)) link_->Raise(statement_->Handle(), "Reading a value");
    if (length == SQL_NULL_DATA) return std::nullopt;
    const bool more = length == SQL_NO_TOTAL || static_cast<std::size_t>(length) > room;
    value.append(piece_.data(), more ? room : static_cast<std::size_t>(length));
    if (!more) break;
  }
  return value;
}

}  // namespace ql::access
