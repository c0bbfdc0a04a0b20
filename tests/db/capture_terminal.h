#pragma once
// A terminal that is not a console and keeps every byte written to it, as redirected output would.

#include <memory>
#include <string>

#include "console/terminal.h"

namespace dbtest {

class CaptureTerminal : public console::Terminal {
 public:
  explicit CaptureTerminal(std::shared_ptr<std::string> sink) : sink_(std::move(sink)) {}
  bool IsConsole() const override { return false; }
  long Read(char*, std::size_t) override { return 0; }
  void Write(const char* data, std::size_t size) override { sink_->append(data, size); }

 private:
  std::shared_ptr<std::string> sink_;
};

}  // namespace dbtest
