#pragma once
// The columns of a recordset. A Field stands for one column; its Value is that column's value on the
// row where the recordset currently stands.

#include <cstdint>
#include <string>
#include <string_view>

#include "access/ref.h"
#include "access/variant.h"

namespace ql::access {

class Field {
 public:
  virtual ~Field() = default;
  // Valid while the field lives.
  virtual std::string_view Name() = 0;
  // Raises kNoCurrentRecord when the recordset stands at BOF or EOF.
  virtual Variant Value() = 0;
  // Value() into `value`, which may keep the room its text already has (Variant::AssignText), so
  // that reading every field of many rows into one variant does not allocate for each text.
  virtual void ReadValue(Variant& value) { value = Value(); }
};

class Fields {
 public:
  virtual ~Fields() = default;
  virtual std::int32_t Count() = 0;
  // By 0-based position, or by column name (compared without regard to ASCII case); raises
  // kItemNotFound when there is no such column.
  virtual Ref<Field> Item(std::int32_t index) = 0;
  virtual Ref<Field> Item(std::string_view name) = 0;
};

}  // namespace ql::access
