// Line editing on the process's terminal through libedit.

#include "console/line_editor.h"

#include <histedit.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/terminal_signals.h"
#include "console/thread_locale.h"

namespace console {

namespace {

// Lines kept for Up, Down and Ctrl-R; the oldest go first.
constexpr int kHistoryLines = 500;

// Keys beyond libedit's emacs defaults, in its own notation.
struct KeyBinding {
  const char* keys;
  const char* function;
};
constexpr KeyBinding kKeyBindings[] = {
    {"^R", "em-inc-search-prev"},     // search back through the history as one types
    {"\\e[1;5D", "ed-prev-word"},      // Ctrl-Left
    {"\\e[1;5C", "em-next-word"},      // Ctrl-Right
    {"\\e[H", "ed-move-to-beg"},       // Home
    {"\\e[1~", "ed-move-to-beg"},
    {"\\e[F", "ed-move-to-end"},       // End
    {"\\e[4~", "ed-move-to-end"},
    {"\\e[3~", "ed-delete-next-char"},  // Delete
};

struct EditLineEnd {
  void operator()(EditLine* editLine) const noexcept { el_end(editLine); }
};
struct HistoryEnd {
  void operator()(History* history) const noexcept { history_end(history); }
};
struct FileClose {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

bool TerminalCanEdit() {
  const char* term = std::getenv("TERM");
  return term != nullptr && term[0] != '\0' && std::strcmp(term, "dumb") != 0;
}

// libedit decodes the keys by the character type of the thread's locale. The program's texts are
// UTF-8 whatever the environment says (in the C locale every byte above 0x7F would be dropped),
// so C.UTF-8 stands in for an environment without UTF-8.
OwnedLocale EditingLocale() {
  OwnedLocale environment(::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr)));
  if (environment.Get() != static_cast<locale_t>(nullptr) &&
      std::strcmp(::nl_langinfo_l(CODESET, environment.Get()), "UTF-8") == 0) {
    return environment;
  }
  return OwnedLocale(::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr)));
}

// Straight to the terminal: libedit has flushed its own output before it returns.
void Show(std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(STDOUT_FILENO, text.data(), text.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

class LibeditEditor final : public LineEditor {
 public:
  // Null when libedit cannot be set up.
  static std::unique_ptr<LineEditor> Open() {
    auto editor = std::unique_ptr<LibeditEditor>(new LibeditEditor());
    if (!editor->editLine_) return nullptr;
    return editor;
  }

  Outcome ReadLine(std::string_view prompt, std::string& line) override {
    if (terminal_signals::TakeKeyEcho()) Show("\n");
    prompt_.assign(prompt);
    const ScopedThreadLocale editing(locale_.Get());
    int count = 0;
    const char* typed = nullptr;
    int readError = 0;
    bool dropped = false;
    {
      const terminal_signals::InputWait waiting;
      typed = el_gets(editLine_.get(), &count);
      readError = errno;
      dropped = terminal_signals::TakeDroppedLine();
    }
    // A line finished after Ctrl-C (the key and Enter typed in quick succession) is dropped all
    // the same: the key said not to run it. A read broken off without our handler is Ctrl-C with
    // SIGINT ignored.
    if (dropped || (typed == nullptr && count < 0 && readError == EINTR)) {
      Show("^C\n");
      return Outcome::kInterrupted;
    }
    if (typed != nullptr && count > 0) {
      line.assign(typed, static_cast<std::size_t>(count));
      Remember(line);
      return Outcome::kLine;
    }
    // After Ctrl-D libedit has shown "^D".
    Show("\n");
    return Outcome::kEnd;
  }

 private:
  LibeditEditor() : locale_(EditingLocale()) {
    const ScopedThreadLocale editing(locale_.Get());
    // libedit's complaints (an unknown terminal type, say) would land in the middle of the screen.
    errors_.reset(std::fopen("/dev/null", "w"));
    history_.reset(history_init());
    if (!history_) return;
    HistEvent event;
    history(history_.get(), &event, H_SETSIZE, kHistoryLines);
    history(history_.get(), &event, H_SETUNIQUE, 1);
    editLine_.reset(el_init("queryloom", stdin, stdout, errors_ ? errors_.get() : stderr));
    if (!editLine_) return;
    EditLine* const editLine = editLine_.get();
    el_set(editLine, EL_CLIENTDATA, this);
    el_set(editLine, EL_EDITOR, "emacs");
    // libedit restores the terminal's line mode before a signal stops or ends the program, and
    // redraws the line after Ctrl-Z and a change of the window's size.
    el_set(editLine, EL_SIGNAL, 1);
    el_set(editLine, EL_PROMPT_ESC, &LibeditEditor::Prompt, kNonPrinting);
    el_set(editLine, EL_HIST, history, history_.get());
    for (const KeyBinding& binding : kKeyBindings) {
      el_set(editLine, EL_BIND, binding.keys, binding.function, static_cast<const char*>(nullptr));
    }
  }

  static char* Prompt(EditLine* editLine) {
    void* self = nullptr;
    el_get(editLine, EL_CLIENTDATA, &self);
    return static_cast<LibeditEditor*>(self)->prompt_.data();
  }

  // Lines that hold something go into the history, without their line end. It lives in memory
  // only: a line may hold a password.
  void Remember(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) return;
    const std::string entry(line);
    HistEvent event;
    history(history_.get(), &event, H_ENTER, entry.c_str());
  }

  OwnedLocale locale_;
  std::unique_ptr<std::FILE, FileClose> errors_;
  std::unique_ptr<History, HistoryEnd> history_;
  // Ends before the history and the error file it uses.
  std::unique_ptr<EditLine, EditLineEnd> editLine_;
  std::string prompt_;
};

}  // namespace

std::unique_ptr<LineEditor> TerminalLineEditor() {
  if (!TerminalCanEdit()) return nullptr;
  return LibeditEditor::Open();
}

}  // namespace console
