#pragma once
// Locales owned by the program, and a locale made the calling thread's for a stretch of code.

#include <locale.h>

namespace ql::console {

class OwnedLocale {
 public:
  OwnedLocale() noexcept = default;
  explicit OwnedLocale(locale_t locale) noexcept : locale_(locale) {}
  ~OwnedLocale() { Reset(); }
  OwnedLocale(OwnedLocale&& other) noexcept : locale_(other.Release()) {}
  OwnedLocale& operator=(OwnedLocale&& other) noexcept {
    if (this != &other) {
      Reset();
      locale_ = other.Release();
    }
    return *this;
  }

  // (locale_t)0 when there is none.
  locale_t Get() const noexcept { return locale_; }

 private:
  locale_t Release() noexcept {
    const locale_t locale = locale_;
    locale_ = static_cast<locale_t>(nullptr);
    return locale;
  }
  void Reset() noexcept {
    if (locale_ != static_cast<locale_t>(nullptr)) ::freelocale(locale_);
    locale_ = static_cast<locale_t>(nullptr);
  }

  locale_t locale_ = static_cast<locale_t>(nullptr);
};

// Makes `locale` the calling thread's locale for as long as it lives; without a locale it changes
// nothing.
class ScopedThreadLocale {
 public:
  explicit ScopedThreadLocale(locale_t locale) noexcept
      : previous_(locale != static_cast<locale_t>(nullptr) ? ::uselocale(locale) : static_cast<locale_t>(nullptr)) {}
  ~ScopedThreadLocale() {
    if (previous_ != static_cast<locale_t>(nullptr)) ::uselocale(previous_);
  }
  ScopedThreadLocale(const ScopedThreadLocale&) = delete;
  ScopedThreadLocale& operator=(const ScopedThreadLocale&) = delete;

 private:
  locale_t previous_;
};

}  // namespace ql::console
