#pragma once
// The lines a session runs before, or instead of, what standard input brings: command texts given
// whole and files read a line at a time, in the order they were given, then (when asked for)
// standard input itself.

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "console/terminal/line_reader.h"

namespace ql::console {

class ScriptInput {
 public:
  ScriptInput();
  ~ScriptInput();
  ScriptInput(const ScriptInput&) = delete;
  ScriptInput& operator=(const ScriptInput&) = delete;

  // One line, run as if it had been typed: it stays one line whatever bytes it holds.
  void AddLine(std::string line);
  // The file's lines. Opened at once, so that a file that cannot be read is known before anything
  // runs: then the reason (as strerror gives it) and nothing added.
  std::optional<std::string> AddFile(const std::string& path);
  // Standard input's lines, read through the console (the caller's `fromConsole`).
  void AddConsoleInput();

  // The next line, as LineReader::ReadWholeLine hands it over; kEnd once every source is done.
  // Lines of standard input come from `fromConsole`.
  using ConsoleRead = std::function<LineReader::Status(std::string& line, std::size_t limit)>;
  LineReader::Status Next(std::string& line, std::size_t limit, const ConsoleRead& fromConsole);

 private:
  struct Source;
  static LineReader::Status ReadSource(Source& source, std::string& line, std::size_t limit);

  std::deque<std::unique_ptr<Source>> sources_;
};

}  // namespace ql::console
