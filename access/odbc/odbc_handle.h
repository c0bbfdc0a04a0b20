#pragma once
// Owner of one ODBC handle (environment, connection, statement, descriptor), freed with
// SQLFreeHandle when the owner goes. A connection handle still connected is disconnected first.

#include <sql.h>

#include <utility>

namespace ql::access {

class OdbcHandle {
 public:
  OdbcHandle() = default;
  // Allocates a handle of `type` under `parent` (SQL_NULL_HANDLE for an environment); an empty owner
  // when the driver manager refuses.
  static OdbcHandle Allocate(SQLSMALLINT type, SQLHANDLE parent);

  OdbcHandle(OdbcHandle&& other) noexcept
      : type_(other.type_),
        handle_(std::exchange(other.handle_, SQLHANDLE{})),
        connected_(std::exchange(other.connected_, false)) {}
  OdbcHandle& operator=(OdbcHandle&& other) noexcept;
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  ~OdbcHandle() { Free(); }

  SQLHANDLE Get() const noexcept { return handle_; }
  SQLSMALLINT Type() const noexcept { return type_; }
  explicit operator bool() const noexcept { return handle_ != SQL_NULL_HANDLE; }

  // For a connection handle: it is connected, so freeing must disconnect it first.
  void MarkConnected() noexcept { connected_ = true; }

 private:
  OdbcHandle(SQLSMALLINT type, SQLHANDLE handle) : type_(type), handle_(handle) {}
  void Free() noexcept;

  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
  bool connected_ = false;
};

}  // namespace ql::access
