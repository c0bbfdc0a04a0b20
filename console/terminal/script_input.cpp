// Command texts and script files as a session's input.

#include "console/terminal/script_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "console/terminal/terminal.h"

namespace ql::console {

namespace {

// A script file as the byte stream a LineReader splits into lines; it owns the descriptor.
class ScriptFile final : public Terminal {
 public:
  explicit ScriptFile(int fd) : fd_(fd) {}
  ~ScriptFile() override { ::close(fd_); }
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  bool IsConsole() const override { return false; }
  long Read(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, size);
      if (got >= 0 || errno != EINTR) return static_cast<long>(got);
    }
  }
  void Write(const char*, std::size_t) override {}

 private:
  int fd_;
};

}  // namespace

struct ScriptInput::Source {
  bool fromConsole = false;
  // A command text: handed over once, then the source is done.
  std::optional<std::string> text;
  // A file: its bytes and the reader splitting them.
  std::unique_ptr<ScriptFile> file;
  std::unique_ptr<LineReader> reader;
};

ScriptInput::ScriptInput() = default;
ScriptInput::~ScriptInput() = default;

void ScriptInput::AddLine(std::string line) {
  auto source = std::make_unique<Source>();
  source->text = std::move(line);
  sources_.push_back(std::move(source));
}

std::optional<std::string> ScriptInput::AddFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string(std::strerror(errno));
  // A folder opens, but every read of it fails: said now rather than read as an empty script.
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);
    return std::string(std::strerror(EISDIR));
  }
  auto source = std::make_unique<Source>();
  source->file = std::make_unique<ScriptFile>(fd);
  source->reader = std::make_unique<LineReader>(*source->file, LineReader::Hooks{});
  sources_.push_back(std::move(source));
  return std::nullopt;
}

void ScriptInput::AddConsoleInput() {
  auto source = std::make_unique<Source>();
  source->fromConsole = true;
  sources_.push_back(std::move(source));
}

LineReader::Status ScriptInput::Next(std::string& line, std::size_t limit, const ConsoleRead& fromConsole) {
  while (!sources_.empty()) {
    Source& source = *sources_.front();
    const LineReader::Status status = source.fromConsole ? fromConsole(line, limit) : ReadSource(source, line, limit);
    if (status != LineReader::Status::kEnd) return status;
    sources_.pop_front();
  }
  line.clear();
  return LineReader::Status::kEnd;
}

LineReader::Status ScriptInput::ReadSource(Source& source, std::string& line, std::size_t limit) {
  if (source.reader) return source.reader->ReadWholeLine(line, limit);
  if (!source.text) return LineReader::Status::kEnd;
  std::string text = std::move(*source.text);
  source.text.reset();
  if (text.size() > limit) {
    line.clear();
    return LineReader::Status::kTooLong;
  }
  line = std::move(text);
  return LineReader::Status::kLine;
}

}  // namespace ql::console
