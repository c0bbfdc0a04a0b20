#include "access/core/native_errors.h"

#include "access/core/layer_error.h"

namespace ql::access {
namespace {

class NativeError final : public Error {
 public:
  explicit NativeError(ErrorRecord record) : record_(std::move(record)) {}
  std::int32_t Number() override { return record_.number; }
  std::string Source() override { return record_.source; }
  std::string Description() override { return record_.description; }

 private:
  ErrorRecord record_;
};

class NativeErrors final : public Errors {
 public:
  explicit NativeErrors(std::shared_ptr<const ErrorList> list) : list_(std::move(list)) {}

  std::int32_t Count() override { return static_cast<std::int32_t>(list_->Records().size()); }

  Ref<Error> Item(std::int32_t index) override {
    const auto& records = list_->Records();
    if (index < 0 || static_cast<std::size_t>(index) >= records.size()) RaiseLayerError(kItemNotFound, "Errors");
    return MakeRef<NativeError>(records[static_cast<std::size_t>(index)]);
  }

 private:
  std::shared_ptr<const ErrorList> list_;
};

}  // namespace

std::shared_ptr<Errors> MakeNativeErrors(std::shared_ptr<const ErrorList> list) {
  return std::make_shared<NativeErrors>(std::move(list));
}

}  // namespace ql::access
