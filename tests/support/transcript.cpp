#include "support/transcript.h"

#include <gtest/gtest.h>

#include <string_view>

namespace ql {

namespace testsupport {

namespace {

// Takes the digits off the front of `text`: true when there was at least one (and, with `count`,
// exactly that many).
bool TakeDigits(std::string_view& text, std::size_t count = 0) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  text.remove_prefix(digits);
  return digits > 0 && (count == 0 || digits == count);
}

// A command's time: "Time: 12.345 ms".
bool IsTime(std::string_view line) {
  if (!line.starts_with("Time: ")) return false;
  line.remove_prefix(6);
  if (!TakeDigits(line) || !line.starts_with('.')) return false;
  line.remove_prefix(1);
  return TakeDigits(line, 3) && line == " ms";
}

// A note other than a database's message: a count of rows changed, the results still waiting, a time,
// a lost connection opened again or not.
bool IsNote(std::string_view line) {
  if (IsTime(line)) return true;
  if (line.starts_with("The connection was lost and has been opened again") &&
      line.ends_with(": the command that failed was not run again, and a transaction that was open is lost.")) {
    return true;
  }
  if (line == "The connection was lost and could not be opened again; open one to go on.") return true;
  return TakeDigits(line) &&
         (line == " record(s) affected." || line == " more result(s) waiting: More shows the next.");
}

// A database's message under its level: "NOTICE: ...".
bool IsMessage(std::string_view line) {
  std::size_t letters = 0;
  while (letters < line.size() && line[letters] >= 'A' && line[letters] <= 'Z') ++letters;
  return letters > 0 && line.substr(letters).starts_with(": ");
}

}  // namespace

// A message's text may hold line ends of its own (PostgreSQL's DETAIL and its lines): the lines after
// it up to the next note are its own.
bool OnlyNotes(const std::string& errors) {
  bool inMessage = false;
  std::string_view rest = errors;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return false;
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    if (IsMessage(line)) {
      inMessage = true;
    } else if (IsNote(line)) {
      inMessage = false;
    } else if (!inMessage) {
      return false;
    }
  }
  return true;
}

std::string WithTimesAsWords(const std::string& errors) {
  std::string result;
  std::string_view rest = errors;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    result += IsTime(line) ? std::string_view("Time") : line;
    if (end == std::string_view::npos) break;
    result += '\n';
    rest.remove_prefix(end + 1);
  }
  return result;
}

std::string Transcript(const ProgramRun& run) {
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(OnlyNotes(run.errors)) << run.errors;
  if (!run.output.ends_with(kClosingLines)) {
    ADD_FAILURE() << "no closing lines after:\n" << run.output;
    return run.output;
  }
  return run.output.substr(0, run.output.size() - kClosingLines.size());
}

std::string Report(int lineTag, const std::string& code, const std::string& meaning, const std::string& source,
                   const std::string& description) {
  const std::string frame = "--------------- Error @" + std::to_string(lineTag) + " ---------------\n";
  return frame + "> Code = " + code + "\n> Code meaning = " + meaning + "\n> Source = " + source +
         "\n> Description = " + description + "\n" + frame;
}

}  // namespace testsupport

}  // namespace ql
