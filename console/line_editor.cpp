// Line editing on the process's terminal through libedit.

#include "console/line_editor.h"

#include <dlfcn.h>
#include <histedit.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "console/terminal_signals.h"
#include "console/thread_locale.h"

namespace ql::console {

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

// libedit's functions, looked up when a person first types at a terminal: a program reading a
// script never needs them, and loading libedit at start-up (with libtinfo, libbsd and libmd) took
// a sixth of the start-up time. The library stays loaded for the rest of the program, since it
// has signal handlers of its own installed.
struct Libedit {
  decltype(&::el_init) init;
  decltype(&::el_end) end;
  decltype(&::el_set) set;
  decltype(&::el_get) get;
  decltype(&::el_gets) gets;
  decltype(&::history_init) historyInit;
  decltype(&::history_end) historyEnd;
  decltype(&::history) history;

  // Null when the library or one of its functions cannot be found; the program then reads lines
  // without editing.
  static const Libedit* Load() {
    static const Libedit* const loaded = [] () -> const Libedit* {
      void* library = ::dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
      if (library == nullptr) return nullptr;
      const auto find = [library](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
        return function != nullptr;
      };
      static Libedit table;
      if (find(table.init, "el_init") && find(table.end, "el_end") && find(table.set, "el_set") &&
          find(table.get, "el_get") && find(table.gets, "el_gets") && find(table.historyInit, "history_init") &&
          find(table.historyEnd, "history_end") && find(table.history, "history")) {
        return &table;
      }
      ::dlclose(library);
      return nullptr;
    }();
    return loaded;
  }
};

struct EditLineEnd {
  const Libedit* api;
  void operator()(EditLine* editLine) const noexcept { api->end(editLine); }
};
struct HistoryEnd {
  const Libedit* api;
  void operator()(History* history) const noexcept { api->historyEnd(history); }
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
  static std::unique_ptr<LineEditor> Open(const Libedit& api) {
    auto editor = std::unique_ptr<LibeditEditor>(new LibeditEditor(api));
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
      typed = api_.gets(editLine_.get(), &count);
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
  explicit LibeditEditor(const Libedit& api)
      : api_(api), locale_(EditingLocale()), history_(nullptr, HistoryEnd{&api}), editLine_(nullptr, EditLineEnd{&api}) {
    const ScopedThreadLocale editing(locale_.Get());
    // libedit's complaints (an unknown terminal type, say) would land in the middle of the screen.
    errors_.reset(std::fopen("/dev/null", "w"));
    history_.reset(api_.historyInit());
    if (!history_) return;
    HistEvent event;
    api_.history(history_.get(), &event, H_SETSIZE, kHistoryLines);
    api_.history(history_.get(), &event, H_SETUNIQUE, 1);
    editLine_.reset(api_.init("queryloom", stdin, stdout, errors_ ? errors_.get() : stderr));
    if (!editLine_) return;
    EditLine* const editLine = editLine_.get();
    api_.set(editLine, EL_CLIENTDATA, this);
    api_.set(editLine, EL_EDITOR, "emacs");
    // libedit restores the terminal's line mode before a signal stops or ends the program, and
    // redraws the line after Ctrl-Z and a change of the window's size.
    api_.set(editLine, EL_SIGNAL, 1);
    api_.set(editLine, EL_PROMPT_ESC, &LibeditEditor::Prompt, kNonPrinting);
    api_.set(editLine, EL_HIST, api_.history, history_.get());
    for (const KeyBinding& binding : kKeyBindings) {
      api_.set(editLine, EL_BIND, binding.keys, binding.function, static_cast<const char*>(nullptr));
    }
  }

  static char* Prompt(EditLine* editLine) {
    const Libedit* api = Libedit::Load();
    void* self = nullptr;
    api->get(editLine, EL_CLIENTDATA, &self);
    return static_cast<LibeditEditor*>(self)->prompt_.data();
  }

  // Lines that hold something go into the history, without their line end. It lives in memory
  // only: a line may hold a password.
  void Remember(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) return;
    const std::string entry(line);
    HistEvent event;
    api_.history(history_.get(), &event, H_ENTER, entry.c_str());
  }

  const Libedit& api_;
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
  const Libedit* api = Libedit::Load();
  if (api == nullptr) return nullptr;
  return LibeditEditor::Open(*api);
}

std::string LineEditorVersion() { return std::string("libedit ") + QL_LIBEDIT_VERSION; }

}  // namespace ql::console
