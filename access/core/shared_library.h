#pragma once
// Owner of a shared library opened at run time (dlopen), so a library the program needs only for some
// commands is loaded when one of them first runs, not at start-up. Closing happens with the owner.

#include <string>
#include <string_view>

namespace ql::access {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary();
  SharedLibrary(SharedLibrary&& other) noexcept;
  SharedLibrary& operator=(SharedLibrary&& other) noexcept;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads `name` (a file name searched as the dynamic linker does, or a path) with every symbol
  // resolved now and none made global. A failure leaves the owner empty, with the loader's reason in
  // Error().
  static SharedLibrary Open(const char* name);

  bool IsOpen() const noexcept { return handle_ != nullptr; }
  const std::string& Error() const noexcept { return error_; }

  // The address of `symbol`, or nullptr when the library is not open or lacks it.
  void* Symbol(const char* symbol) const noexcept;

  // The function `symbol` as the pointer type F, or nullptr as for Symbol.
  template <class F>
  F Function(const char* symbol) const noexcept {
    return reinterpret_cast<F>(Symbol(symbol));
  }

  // Fills `slot` with the function `symbol`. When the library lacks it, says so in `why`, naming the
  // library as `libraryName`, and returns false.
  template <class F>
  bool Bind(F& slot, const char* symbol, std::string_view libraryName, std::string& why) const {
    slot = Function<F>(symbol);
    if (slot == nullptr) why = std::string(libraryName) + " lacks the function " + symbol + ".";
    return slot != nullptr;
  }

 private:
  void Close() noexcept;

  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace ql::access
