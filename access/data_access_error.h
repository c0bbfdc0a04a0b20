#pragma once
// The one exception type that carries a data-access failure from the layer to its caller.

#include <exception>
#include <optional>
#include <string>

#include "access/result_code.h"

namespace ql::access {

class DataAccessError : public std::exception {
 public:
  // A failure without error information (no source, no description), as for an absent object.
  explicit DataAccessError(ResultCode code);
  DataAccessError(ResultCode code, std::string source, std::string description);

  ResultCode Code() const noexcept { return code_; }
  const std::optional<std::string>& Source() const noexcept { return source_; }
  const std::optional<std::string>& Description() const noexcept { return description_; }
  const char* what() const noexcept override;

 private:
  ResultCode code_;
  std::optional<std::string> source_;
  std::optional<std::string> description_;
  std::string what_;
};

}  // namespace ql::access
