#pragma once
// The errors of a connection's last failure: one Error per diagnostic record of the provider.

#include <cstdint>
#include <string>

#include "access/ref.h"

namespace ql::access {

class Error {
 public:
  virtual ~Error() = default;
  virtual std::int32_t Number() = 0;
  virtual std::string Source() = 0;
  virtual std::string Description() = 0;
};

class Errors {
 public:
  virtual ~Errors() = default;
  virtual std::int32_t Count() = 0;
  // Raises kItemNotFound for a position outside 0 to Count() - 1.
  virtual Ref<Error> Item(std::int32_t index) = 0;
};

}  // namespace ql::access
