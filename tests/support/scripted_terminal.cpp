#include "support/scripted_terminal.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace testsupport {

namespace {

class Scripted final : public console::Terminal {
 public:
  explicit Scripted(std::shared_ptr<TerminalScript> script) : script_(std::move(script)) {}

  bool IsConsole() const override { return script_->console; }

  long Read(char* buffer, std::size_t size) override {
    TerminalScript& script = *script_;
    ++script.readCalls;
    script.writtenAtRead.push_back(script.bytesWritten);
    const std::size_t left = script.input.size() - consumed_;
    if (left == 0) return script.failAtEnd ? -1 : 0;
    std::size_t count = std::min(left, size);
    if (script.readChunk != 0) count = std::min(count, script.readChunk);
    std::memcpy(buffer, script.input.data() + consumed_, count);
    consumed_ += count;
    return static_cast<long>(count);
  }

  void Write(const char* data, std::size_t size) override {
    TerminalScript& script = *script_;
    ++script.writeCalls;
    script.bytesWritten += size;
    if (script.keepOutput) script.output.append(data, size);
  }

 private:
  std::shared_ptr<TerminalScript> script_;
  std::size_t consumed_ = 0;
};

}  // namespace

std::unique_ptr<console::Terminal> ScriptedTerminal(std::shared_ptr<TerminalScript> script) {
  return std::make_unique<Scripted>(std::move(script));
}

}  // namespace testsupport
