#include "access/odbc/odbc_handle.h"

#include <sqlext.h>

namespace ql::access {

OdbcHandle OdbcHandle::Allocate(SQLSMALLINT type, SQLHANDLE parent) {
  SQLHANDLE handle = SQL_NULL_HANDLE;
  if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle))) {
    // A failed allocation may still have produced a handle that carries the diagnostics; nothing
    // reads them here, so it goes at once.
    if (handle != SQL_NULL_HANDLE) SQLFreeHandle(type, handle);
    return {};
  }
  return {type, handle};
}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
  if (this != &other) {
    Free();
    type_ = other.type_;
    handle_ = std::exchange(other.handle_, SQLHANDLE{});
    connected_ = std::exchange(other.connected_, false);
  }
  return *this;
}

void OdbcHandle::Free() noexcept {
  if (handle_ == SQL_NULL_HANDLE) return;
  // A transaction still open refuses the disconnect; it is rolled back, as closing would do.
  if (connected_ && !SQL_SUCCEEDED(SQLDisconnect(handle_))) {
    SQLEndTran(SQL_HANDLE_DBC, handle_, SQL_ROLLBACK);
    SQLDisconnect(handle_);
  }
  SQLFreeHandle(type_, handle_);
  handle_ = SQL_NULL_HANDLE;
  connected_ = false;
}

}  // namespace ql::access
