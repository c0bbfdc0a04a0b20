#pragma once
// Keeps what a library writes to standard error during a call off the user's terminal and
// hands it to the caller, for drivers that report their failures there instead of to the caller.
// The process has one standard error, so captures must not overlap.

#include <string>

namespace ql::access {

class StderrCapture {
 public:
  // Sets up the store for what is captured; when that fails, Begin and End do nothing and the text
  // reaches standard error as usual.
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Sends standard error into the store.
  void Begin() noexcept;
  // Gives standard error back and returns what was written since Begin: at most its first 4 KiB.
  std::string End() noexcept;

 private:
  int store_ = -1;
  int saved_ = -1;
};

// Captures for as long as it lives; End may be called before that to read the text.
class CapturingScope {
 public:
  explicit CapturingScope(StderrCapture& capture) noexcept : capture_(capture) { capture_.Begin(); }
  ~CapturingScope() {
    if (!ended_) capture_.End();
  }
  CapturingScope(const CapturingScope&) = delete;
  CapturingScope& operator=(const CapturingScope&) = delete;

  std::string End() noexcept {
    ended_ = true;
    return capture_.End();
  }

 private:
  StderrCapture& capture_;
  bool ended_ = false;
};

}  // namespace ql::access
