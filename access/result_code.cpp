#include "access/result_code.h"

#include <array>

namespace ql::access {
namespace {

struct CodeText {
  ResultCode code;
  std::string_view text;
};

constexpr std::array kDescriptions{
    CodeText{kAbsentObject, "The object is not there."},
    CodeText{kProviderFailed, "The provider failed."},
    CodeText{kProviderNotFound, "The provider named in the connection string is not known."},
    CodeText{kObjectClosed, "The operation is not allowed while the object is closed."},
    CodeText{kConnectionUnusable, "The connection is closed or cannot be used for this operation."},
    CodeText{kNoCurrentRecord, "There is no current record: the recordset stands before its first or after its last row."},
    CodeText{kItemNotFound, "The collection has no item with that name or position."},
    CodeText{kNotSupported, "The provider cannot perform this operation."},
    CodeText{kStatementError, "The statement has an error."},
    CodeText{kNoSuchTable, "The table does not exist."},
    CodeText{kConstraintViolated, "A constraint of the database was violated."},
    CodeText{kAuthenticationFailed, "The login was refused."},
    CodeText{kPermissionDenied, "Permission denied."},
    CodeText{kOutOfRange, "A value is out of range."},
    CodeText{kTypeMismatch, "The value has the wrong type for this operation."},
    CodeText{kParamNotFound, "An argument was not given."},
    CodeText{kCancelled, "The operation was cancelled."},
    CodeText{kOutOfMemory, "Not enough memory to complete the operation."},
};

}  // namespace

std::string_view DescribeResult(ResultCode code) {
  for (const CodeText& entry : kDescriptions) {
    if (entry.code == code) return entry.text;
  }
  return {};
}

}  // namespace ql::access
