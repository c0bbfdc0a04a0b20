#pragma once
// What the command shell reads its lines from and writes its texts to. The shell's own texts come in
// colour markup ("#XY" before a run, see TokenColors); what the I/O makes of the markup is its own
// affair. The reports of lines that do not run have a default text, which an I/O may put in a frame
// of its own (an error message) or replace.

#include <cstddef>
#include <string>
#include <string_view>

namespace ql::shell {

class Tokenizer;

// What a read found. kDropped: the person at the terminal dropped the line being typed (Ctrl-C).
enum class LineRead { kLine, kTooLong, kEnd, kDropped };

class ShellIo {
 public:
  // The longest line run, line end not counted; a longer one is refused whole.
  static constexpr std::size_t kMaxLineBytes = std::size_t{64} << 20;

  virtual ~ShellIo() = default;

  // The next line into `line`, whole, without its line end (nor a carriage return before it), NUL
  // bytes kept. A line longer than kMaxLineBytes is read on to its end and not kept: kTooLong. kEnd
  // at the end of input (or a failed read) ends the loop; a last line without a line end is a line.
  virtual LineRead ReadLine(std::string& line) = 0;
  // The next line of a statement whose quotation mark `mark` is still open; by default ReadLine.
  virtual LineRead ReadContinuedLine(std::string& line, char mark);
  // The shell's own text, in markup: the prompt, the help listing, echoed lines, the reports below.
  // It holds no NUL byte.
  virtual void Write(std::string_view markup) = 0;

  // A line whose command word is no command (when the shell reports them): says so, echoing `line`'s
  // tokens in the colours of their kinds, as markup.
  virtual void OnUnknownCommand(const Tokenizer& line);
  // A line longer than kMaxLineBytes was read and dropped: says so.
  virtual void OnLineTooLong();
  // A statement over several lines that does not run, as it grew past kMaxLineBytes, or as the
  // input ended before its closing quotation mark `mark`: says so.
  virtual void OnStatementTooLong();
  virtual void OnStatementNotClosed(char mark);
  // After each line read, once it has run (or was dropped): false ends the loop as a quit would.
  virtual bool GoOn();
};

}  // namespace ql::shell
