#include "access/core/shared_library.h"

#include <dlfcn.h>

#include <utility>

namespace ql::access {

SharedLibrary::~SharedLibrary() { Close(); }

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

SharedLibrary SharedLibrary::Open(const char* name) {
  SharedLibrary library;
  library.handle_ = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (library.handle_ == nullptr) {
    const char* reason = dlerror();
    library.error_ = reason != nullptr ? reason : std::string(name) + ": cannot be loaded";
  }
  return library;
}

void* SharedLibrary::Symbol(const char* symbol) const noexcept {
  if (handle_ == nullptr) return nullptr;
  return dlsym(handle_, symbol);
}

void SharedLibrary::Close() noexcept {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace ql::access
