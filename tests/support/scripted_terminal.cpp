#include "support/scripted_terminal.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "console/terminal/line_editor.h"

namespace ql {

namespace testsupport {

namespace {

class ScriptedEditor final : public console::LineEditor {
 public:
  explicit ScriptedEditor(TerminalScript& script) : script_(script) {}

  Outcome ReadLine(std::string_view prompt, std::string& line) override {
    script_.prompts.emplace_back(prompt);
    const std::vector<std::string>& lines = *script_.editedLines;
    if (next_ == lines.size()) return Outcome::kEnd;
    line = lines[next_++];
    return line == TerminalScript::kCtrlC ? Outcome::kInterrupted : Outcome::kLine;
  }

 private:
  TerminalScript& script_;
  std::size_t next_ = 0;
};

class Scripted final : public console::Terminal {
 public:
  explicit Scripted(std::shared_ptr<TerminalScript> script) : script_(std::move(script)), editor_(*script_) {}

  bool IsConsole() const override { return script_->console; }

  long Read(char* buffer, std::size_t size) override {
    TerminalScript& script = *script_;
    ++script.readCalls;
    script.writtenAtRead.push_back(script.bytesWritten);
    const std::size_t left = script.input.size() - consumed_;
    if (left == 0 && script.interruptAtEnd && !interrupted_) {
      interrupted_ = true;
      return kInterrupted;
    }
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

  void WriteNote(const char* data, std::size_t size) override {
    script_->writtenAtNote.push_back(script_->bytesWritten);
    script_->notes.append(data, size);
  }
  bool NotesAtTerminal() const override { return script_->notesAtTerminal; }
  bool NotesJoinOutput() const override { return script_->notesJoinOutput; }
  std::optional<console::WindowSize> Size() const override { return script_->size; }

  console::LineEditor* Editor() override { return script_->editedLines ? &editor_ : nullptr; }

 private:
  std::shared_ptr<TerminalScript> script_;
  ScriptedEditor editor_;
  std::size_t consumed_ = 0;
  bool interrupted_ = false;
};

}  // namespace

std::unique_ptr<console::Terminal> ScriptedTerminal(std::shared_ptr<TerminalScript> script) {
  return std::make_unique<Scripted>(std::move(script));
}

}  // namespace testsupport

}  // namespace ql
