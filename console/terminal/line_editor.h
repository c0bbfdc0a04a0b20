#pragma once
// Lines typed by a person with editing keys and a history of the lines typed before.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "console/terminal/completion.h"

namespace ql::console {

// Whether an entry of the history may be written to the history file.
using HistoryFilter = std::function<bool(std::string_view entry)>;

class LineEditor {
 public:
  // In a prompt, text between two of these bytes takes no room on the screen (an escape
  // sequence), so the editor still knows where the cursor stands.
  static constexpr char kNonPrinting = '\1';

  enum class Outcome {
    kLine,         // `line` holds what was typed, line end included
    kEnd,          // the end of input: Ctrl-D on an empty line, or the terminal went away
    kInterrupted,  // Ctrl-C: the line was dropped
  };

  virtual ~LineEditor() = default;
  // Draws `prompt` and lets the person edit one line; the screen is left on a fresh line.
  virtual Outcome ReadLine(std::string_view prompt, std::string& line) = 0;

  // The next line read goes on the history entry of the lines before it, after a line end: a
  // statement typed over several lines is one entry.
  virtual void ContinueEntry() {}
  // Tab completes the word before the cursor with what `completer` offers. `prepare`, when given,
  // runs before each new line is read, so that words can be got ready while the person types.
  virtual void CompleteWith(Completer completer, std::function<void()> prepare = {}) {
    static_cast<void>(completer);
    static_cast<void>(prepare);
  }
  // Keeps the history in the file at `path` too (see HistoryFile): its newest entries are read now,
  // and each entry that `keep` accepts is appended once it is complete. Empty, or why the file
  // cannot be used.
  virtual std::string KeepHistoryIn(const std::string& path, HistoryFilter keep) {
    static_cast<void>(path);
    static_cast<void>(keep);
    return "this editor keeps no history";
  }
};

// An editor on standard input and output (libedit, emacs keys, a history kept in memory unless
// KeepHistoryIn names a file); null when the terminal type cannot move the cursor (TERM unset,
// empty or "dumb").
std::unique_ptr<LineEditor> TerminalLineEditor();

// The line-editing library and its version as the build found it, for example "libedit 3.1".
std::string LineEditorVersion();

}  // namespace ql::console
