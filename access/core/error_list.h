#pragma once
// The records of a connection's last failure, shared by the connection, its providers
// and its cursors. A provider reports a failure by raising through it, so that the records are in
// the connection's Errors before the exception leaves the layer.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "access/result_code.h"

namespace ql::access {

struct ErrorRecord {
  std::int32_t number = 0;  // the mapped result code
  std::string source;       // the provider's or driver's name
  std::string description;  // the database's own message
};

class ErrorList {
 public:
  // Replaces the records with these and throws a DataAccessError carrying the code, source and
  // description of the first of them. Empty `records` stand for one unexplained provider failure.
  [[noreturn]] void Raise(std::vector<ErrorRecord> records);
  [[noreturn]] void Raise(ResultCode code, std::string source, std::string description);

  void Clear() noexcept { records_.clear(); }
  const std::vector<ErrorRecord>& Records() const noexcept { return records_; }

 private:
  std::vector<ErrorRecord> records_;
};

}  // namespace ql::access
