#include "access/core/error_list.h"

#include <utility>

#include "access/data_access_error.h"

namespace ql::access {

void ErrorList::Raise(std::vector<ErrorRecord> records) {
  if (records.empty()) records.push_back({kProviderFailed, {}, std::string(DescribeResult(kProviderFailed))});
  records_ = std::move(records);
  const ErrorRecord& first = records_.front();
  throw DataAccessError(first.number, first.source, first.description);
}

void ErrorList::Raise(ResultCode code, std::string source, std::string description) {
  std::vector<ErrorRecord> records;
  records.push_back({code, std::move(source), std::move(description)});
  Raise(std::move(records));
}

}  // namespace ql::access
