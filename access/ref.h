#pragma once
// Counted reference to a data-access object. It may be absent; using an absent reference raises
// kAbsentObject, so a call on a missing object fails like any other data-access call.

#include <cstddef>
#include <memory>
#include <utility>

#include "access/data_access_error.h"

namespace ql::access {

template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  Ref(std::shared_ptr<T> object) : object_(std::move(object)) {}
  template <class U>
  requires std::is_convertible_v<U*, T*> Ref(Ref<U> other) : object_(std::move(other).Shared()) {}

  T* operator->() const { return &Get(); }
  T& operator*() const { return Get(); }
  T& Get() const {
    if (!object_) throw DataAccessError(kAbsentObject);
    return *object_;
  }

  explicit operator bool() const noexcept { return object_ != nullptr; }
  void Reset() noexcept { object_.reset(); }
  const std::shared_ptr<T>& Shared() const& noexcept { return object_; }
  std::shared_ptr<T> Shared() && noexcept { return std::move(object_); }

 private:
  std::shared_ptr<T> object_;
};

template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>(std::make_shared<T>(std::forward<Args>(args)...));
}

}  // namespace ql::access
