#include "access/result_code.h"

#include <array>

namespace ql::access {
namespace {

struct CodeText {
  ResultCode code;
  std::string_view text;
  bool generic;  // a code any component may raise, not only this layer
};

constexpr std::array kCodeTexts{
    CodeText{kNotImplemented, "Not implemented.", true},
    CodeText{kNoInterface, "The object does not offer the requested interface.", true},
    CodeText{kAbsentObject, "There is no object to act on.", true},
    CodeText{kAborted, "The operation was aborted.", true},
    CodeText{kProviderFailed, "Unspecified failure.", true},
    CodeText{kUnexpected, "Unexpected failure.", true},
    CodeText{kParamNotFound, "A required argument was not given.", true},
    CodeText{kTypeMismatch, "The value has a type that cannot be converted.", true},
    CodeText{kOverflow, "The value is outside the range its type can hold.", true},
    CodeText{kAccessDenied, "Access is denied.", true},
    CodeText{kInvalidHandle, "The handle is not valid.", true},
    CodeText{kOutOfMemory, "Not enough memory to complete the operation.", true},
    CodeText{kInvalidArgument, "An argument is not valid.", true},
    CodeText{kProviderNotFound, "The provider named in the connection string is not known.", false},
    CodeText{kObjectClosed, "The operation is not allowed while the object is closed.", false},
    CodeText{kConnectionUnusable, "The connection is closed or cannot be used for this operation.", false},
    CodeText{kNoCurrentRecord,
             "There is no current record: the recordset stands before its first or after its last row.", false},
    CodeText{kItemNotFound, "The collection has no item with that name or position.", false},
    CodeText{kNotSupported, "The provider cannot perform this operation.", false},
    CodeText{kStatementError, "The statement has an error.", false},
    CodeText{kNoSuchTable, "The table does not exist.", false},
    CodeText{kConstraintViolated, "A constraint of the database was violated.", false},
    CodeText{kAuthenticationFailed, "The login was refused.", false},
    CodeText{kPermissionDenied, "Permission denied.", false},
    CodeText{kOutOfRange, "A value is out of range.", false},
    CodeText{kCancelled, "The operation was cancelled.", false},
};

const CodeText* Find(ResultCode code) {
  for (const CodeText& entry : kCodeTexts) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string_view DescribeResult(ResultCode code) {
  const CodeText* entry = Find(code);
  return entry != nullptr ? entry->text : std::string_view();
}

std::string_view GenericMeaning(ResultCode code) {
  const CodeText* entry = Find(code);
  return entry != nullptr && entry->generic ? entry->text : std::string_view();
}

}  // namespace ql::access
