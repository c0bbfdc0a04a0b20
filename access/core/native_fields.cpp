#include "access/core/native_fields.h"

#include <vector>

#include "access/ascii.h"
#include "access/core/layer_error.h"

namespace ql::access {
namespace {

constexpr std::string_view kObject = "Fields";

// Reads its column on whatever row the cursor stands on. It holds the cursor, not the recordset, so
// a field kept after its recordset closed or opened another result raises kObjectClosed.
class NativeField final : public Field {
 public:
  NativeField(std::shared_ptr<StaticCursor> cursor, std::size_t column)
      : cursor_(std::move(cursor)), column_(column), name_(cursor_->ColumnNames()[column_]) {}

  std::string_view Name() override { return name_; }
  Variant Value() override { return cursor_->Value(column_); }
  void ReadValue(Variant& value) override { cursor_->ReadValue(column_, value); }

 private:
  std::shared_ptr<StaticCursor> cursor_;
  std::size_t column_;
  // Into the cursor's names, which stay as they are while it lives (closed or not).
  std::string_view name_;
};

class NativeFields final : public Fields {
 public:
  explicit NativeFields(const std::shared_ptr<StaticCursor>& cursor) : cursor_(cursor) {
    const std::size_t count = cursor->ColumnNames().size();
    items_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) items_.push_back(std::make_shared<NativeField>(cursor, i));
  }

  std::int32_t Count() override { return static_cast<std::int32_t>(items_.size()); }

  Ref<Field> Item(std::int32_t index) override {
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) RaiseLayerError(kItemNotFound, kObject);
    return items_[static_cast<std::size_t>(index)];
  }

  Ref<Field> Item(std::string_view name) override {
    const std::vector<std::string>& names = cursor_->ColumnNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (EqualsIgnoringCase(names[i], name)) return items_[i];
    }
    RaiseLayerError(kItemNotFound, kObject);
  }

 private:
  std::shared_ptr<StaticCursor> cursor_;
  std::vector<std::shared_ptr<Field>> items_;
};

}  // namespace

std::shared_ptr<Fields> MakeNativeFields(const std::shared_ptr<StaticCursor>& cursor) {
  return std::make_shared<NativeFields>(cursor);
}

}  // namespace ql::access
