// Line editing on the process's terminal through libedit.

#include "console/terminal/line_editor.h"

#include <dlfcn.h>
#include <histedit.h>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "console/terminal/history_file.h"
#include "console/terminal/shown_text.h"
#include "console/terminal/terminal_signals.h"
#include "console/terminal/thread_locale.h"

namespace ql::console {

namespace {

// Lines kept for Up, Down and Ctrl-R; the oldest go first.
constexpr int kHistoryLines = 500;

// The editor's own functions, bound to keys by these names. They are added in wide characters:
// libedit keeps the names it is given, and the copies it makes of narrow ones are never freed.
constexpr const char* kSearchBack = "ql-search-back";
constexpr const wchar_t* kSearchBackWide = L"ql-search-back";
constexpr const char* kComplete = "ql-complete";
constexpr const wchar_t* kCompleteWide = L"ql-complete";

// Keys beyond libedit's emacs defaults, in its own notation.
struct KeyBinding {
  const char* keys;
  const char* function;
};
constexpr KeyBinding kKeyBindings[] = {
    {"^R", kSearchBack},                                              // search back through the history as one types
    {"\\e[1;5D", "ed-prev-word"},                                     // Ctrl-Left
    {"\\e[1;5C", "em-next-word"},                                     // Ctrl-Right
    {"\\e[H", "ed-move-to-beg"},                                      // Home
    {"\\e[1~", "ed-move-to-beg"}, {"\\e[F", "ed-move-to-end"},        // End
    {"\\e[4~", "ed-move-to-end"}, {"\\e[3~", "ed-delete-next-char"},  // Delete
};

// libedit's functions, looked up when a person first types at a terminal: a program reading a
// script never needs them, and loading libedit at start-up (with libtinfo, libbsd and libmd) took
// a sixth of the start-up time. The library stays loaded for the rest of the program, since it
// has signal handlers of its own installed.
struct Libedit {
  decltype(&::el_init) init;
  decltype(&::el_end) end;
  decltype(&::el_set) set;
  decltype(&::el_wset) setWide;
  decltype(&::el_get) get;
  decltype(&::el_gets) gets;
  decltype(&::history_init) historyInit;
  decltype(&::history_end) historyEnd;
  decltype(&::history) history;
  decltype(&::el_line) line;
  decltype(&::el_insertstr) insertString;
  decltype(&::el_deletestr) deleteString;
  decltype(&::el_cursor) cursor;
  decltype(&::el_wgetc) getKey;
  decltype(&::el_push) push;

  // Null when the library or one of its functions cannot be found; the program then reads lines
  // without editing.
  static const Libedit* Load() {
    static const Libedit* const loaded = []() -> const Libedit* {
      void* library = ::dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
      if (library == nullptr) return nullptr;
      const auto find = [library](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
        return function != nullptr;
      };
      static Libedit table;
      if (find(table.init, "el_init") && find(table.end, "el_end") && find(table.set, "el_set") &&
          find(table.setWide, "el_wset") && find(table.get, "el_get") && find(table.gets, "el_gets") &&
          find(table.historyInit, "history_init") && find(table.historyEnd, "history_end") &&
          find(table.history, "history") && find(table.line, "el_line") && find(table.insertString, "el_insertstr") &&
          find(table.deleteString, "el_deletestr") && find(table.cursor, "el_cursor") &&
          find(table.getKey, "el_wgetc") && find(table.push, "el_push")) {
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

// The columns of the terminal, 80 when it does not say.
std::size_t TerminalColumns() {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

// The characters of a UTF-8 text, as libedit counts its line.
int Characters(std::string_view text) {
  int count = 0;
  for (const char ch : text) count += (static_cast<unsigned char>(ch) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

// The columns a prompt takes: the text between two kNonPrinting bytes takes none.
std::size_t PromptWidth(std::string_view prompt) {
  std::string printing;
  bool hidden = false;
  for (const char ch : prompt) {
    if (ch == LineEditor::kNonPrinting) {
      hidden = !hidden;
    } else if (!hidden) {
      printing += ch;
    }
  }
  return ShownWidth(printing, false);
}

// The rows of the screen above the cursor's that `prompt` and then `text` take (libedit breaks the
// line where the text holds a line end); control bytes shown as two columns are not counted.
std::size_t RowsAbove(std::string_view prompt, std::string_view text) {
  const std::size_t columns = TerminalColumns();
  std::size_t rows = 0;
  std::size_t column = PromptWidth(prompt);
  for (;;) {
    const std::size_t end = text.find('\n');
    column += ShownWidth(text.substr(0, end), false);
    rows += column / columns;
    if (end == std::string_view::npos) return rows;
    ++rows;
    column = 0;
    text.remove_prefix(end + 1);
  }
}

// A typed name or statement never holds these; a candidate that does is not typed into the line.
bool HoldsControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    return byte < 0x20 || byte == 0x7F;
  });
}

std::string Utf8(wchar_t key) {
  char bytes[MB_LEN_MAX];
  std::mbstate_t state{};
  const std::size_t size = std::wcrtomb(bytes, key, &state);
  return size == static_cast<std::size_t>(-1) ? std::string() : std::string(bytes, size);
}

class LibeditEditor final : public LineEditor {
 public:
  // Null when libedit cannot be set up.
  static std::unique_ptr<LineEditor> Open(const Libedit& api) {
    auto editor = std::unique_ptr<LibeditEditor>(new LibeditEditor(api));
    if (!editor->editLine_) return nullptr;
    return editor;
  }

  // The last entry is complete once no line can join it.
  ~LibeditEditor() override { CommitEntry(); }

  Outcome ReadLine(std::string_view prompt, std::string& line) override {
    if (terminal_signals::TakeKeyEcho()) Show("\n");
    continuing_ = std::exchange(continueNext_, false);
    if (!continuing_) {
      // The entry before is complete: it goes into the history, where Up finds it.
      CommitEntry();
      Prepare();
    }
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
      // A statement dropped part typed goes the way of a dropped line: not into the history.
      if (continuing_) entry_.clear();
      Show("^C\n");
      return Outcome::kInterrupted;
    }
    if (typed != nullptr && count > 0) {
      line.assign(typed, static_cast<std::size_t>(count));
      AddToEntry(line);
      return Outcome::kLine;
    }
    // After Ctrl-D libedit has shown "^D".
    Show("\n");
    return Outcome::kEnd;
  }

  void ContinueEntry() override { continueNext_ = true; }

  void CompleteWith(Completer completer, std::function<void()> prepare) override {
    completer_ = std::move(completer);
    prepare_ = std::move(prepare);
    api_.set(editLine_.get(), EL_BIND, "^I", kComplete, static_cast<const char*>(nullptr));
  }

  std::string KeepHistoryIn(const std::string& path, HistoryFilter keep) override {
    std::string why;
    std::unique_ptr<HistoryFile> file = HistoryFile::Open(path, why);
    if (!file) return why;
    HistEvent event;
    for (const std::string& entry : file->ReadEntries(kHistoryLines)) {
      // libedit keeps C strings: an entry with a NUL would come back cut short.
      if (entry.find('\0') != std::string::npos) continue;
      api_.history(history_.get(), &event, H_ENTER, entry.c_str());
      lastWritten_ = entry;
    }
    file_ = std::move(file);
    keep_ = std::move(keep);
    return {};
  }

 private:
  explicit LibeditEditor(const Libedit& api)
      : api_(api),
        locale_(EditingLocale()),
        history_(nullptr, HistoryEnd{&api}),
        editLine_(nullptr, EditLineEnd{&api}) {
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
    api_.setWide(editLine, EL_ADDFN, kSearchBackWide, L"Search back through the history",
                 &LibeditEditor::SearchBackKey);
    api_.setWide(editLine, EL_ADDFN, kCompleteWide, L"Complete the word before the cursor",
                 &LibeditEditor::CompleteKey);
    for (const KeyBinding& binding : kKeyBindings) {
      api_.set(editLine, EL_BIND, binding.keys, binding.function, static_cast<const char*>(nullptr));
    }
  }

  static LibeditEditor& Self(EditLine* editLine) {
    const Libedit* api = Libedit::Load();
    void* self = nullptr;
    api->get(editLine, EL_CLIENTDATA, &self);
    return *static_cast<LibeditEditor*>(self);
  }

  static char* Prompt(EditLine* editLine) { return Self(editLine).prompt_.data(); }
  static unsigned char SearchBackKey(EditLine* editLine, int) { return Self(editLine).SearchBack(); }
  static unsigned char CompleteKey(EditLine* editLine, int) { return Self(editLine).Complete(); }

  // The line as typed, without its line end, becomes the entry, or goes on the one under way. A
  // line of blanks is no entry of its own.
  void AddToEntry(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (continuing_) {
      if (entry_.empty()) return;
      entry_ += '\n';
      entry_ += line;
    } else if (line.find_first_not_of(" \t") != std::string_view::npos) {
      entry_.assign(line);
    }
  }

  // Puts the entry under way into the history, and into the history file unless the filter
  // keeps it out or it repeats the line written last.
  void CommitEntry() {
    if (entry_.empty()) return;
    HistEvent event;
    api_.history(history_.get(), &event, H_ENTER, entry_.c_str());
    if (file_ && entry_ != lastWritten_ && (!keep_ || keep_(entry_))) {
      file_->Append(entry_);
      lastWritten_ = entry_;
    }
    entry_.clear();
  }

  // The text of the line being edited, and the part of it before the cursor.
  std::pair<std::string, std::size_t> EditedLine() const {
    const LineInfo* info = api_.line(editLine_.get());
    return {std::string(info->buffer, static_cast<std::size_t>(info->lastchar - info->buffer)),
            static_cast<std::size_t>(info->cursor - info->buffer)};
  }

  void Prepare() {
    if (!prepare_) return;
    try {
      prepare_();
    } catch (const std::exception&) {
      // Tab then finds fewer words ready; nothing else depends on them.
    }
  }

  // Tab: the word before the cursor completed, or the candidates listed below the line.
  unsigned char Complete() {
    if (!completer_) return CC_ERROR;
    const auto [text, cursor] = EditedLine();
    std::string statement;
    if (continuing_ && !entry_.empty()) statement = entry_ + '\n';
    statement.append(text, 0, cursor);
    const std::string_view after = std::string_view(text).substr(cursor);
    const CompletionRequest request{statement, after, CompletedWord(statement)};
    std::vector<std::string> candidates;
    try {
      candidates = completer_(request);
    } catch (const std::exception&) {
      candidates.clear();
    }
    // Ctrl-C while the candidates were sought: libedit's read no longer sees it, so the line ends here.
    if (terminal_signals::LineDropPending()) return CC_EOF;
    std::erase_if(candidates, [](const std::string& each) { return each.empty() || HoldsControl(each); });
    const bool blankFollows = !after.empty() && (after.front() == ' ' || after.front() == '\t');
    const CompletionStep step = PlanCompletion(request.word, candidates, blankFollows);
    if (!step.replacement.empty()) {
      api_.deleteString(editLine_.get(), Characters(request.word));
      api_.insertString(editLine_.get(), step.replacement.c_str());
      return CC_REFRESH;
    }
    if (step.list) {
      Show("\n" + CandidateColumns(std::move(candidates), TerminalColumns()));
      return CC_REDISPLAY;
    }
    return CC_ERROR;
  }

  // Replaces the whole line being edited by `text`, the cursor at its end.
  void ReplaceLine(const std::string& text) {
    const auto [shown, cursor] = EditedLine();
    EditLine* const editLine = editLine_.get();
    api_.cursor(editLine, Characters(std::string_view(shown).substr(cursor)));
    api_.deleteString(editLine, Characters(shown));
    if (!text.empty()) api_.insertString(editLine, text.c_str());
  }

  // Draws the prompt and the line afresh. libedit's refresh redraws onto what it believes is an
  // empty screen, so the rows the line took before (`rowsUp` above the cursor's) are cleared first.
  void Redraw(std::size_t rowsUp) {
    std::string clear = "\r";
    if (rowsUp > 0) clear += "\x1b[" + std::to_string(rowsUp) + "A";
    clear += "\x1b[J";
    Show(clear);
    api_.set(editLine_.get(), EL_REFRESH);
  }

  // Ctrl-R: searches back through the history for the text typed after it, shown in a prompt of
  // its own. Ctrl-R again finds the next older match; Backspace takes back a character; Enter
  // runs the line found; Ctrl-G goes back to the line as it was; any other key keeps the line found
  // and does what it does.
  unsigned char SearchBack() {
    std::vector<std::string> entries;  // newest first
    HistEvent event;
    for (int found = api_.history(history_.get(), &event, H_FIRST); found == 0 && event.str != nullptr;
         found = api_.history(history_.get(), &event, H_NEXT)) {
      entries.emplace_back(event.str);
    }
    const std::string linePrompt = prompt_;
    const std::pair<std::string, std::size_t> edited = EditedLine();
    const std::string& original = edited.first;
    std::size_t rowsUp = RowsAbove(prompt_, std::string_view(original).substr(0, edited.second));
    std::string pattern;
    std::size_t match = entries.size();  // none
    bool failed = false;
    const auto find = [&](std::size_t from) {
      for (std::size_t i = from; i < entries.size(); ++i) {
        if (entries[i].find(pattern) != std::string::npos) return i;
      }
      return entries.size();
    };
    const auto show = [&](const std::string& searchPrompt) {
      const std::string& line = match < entries.size() ? entries[match] : original;
      prompt_ = searchPrompt;
      ReplaceLine(line);
      Redraw(rowsUp);
      rowsUp = RowsAbove(prompt_, line);
    };
    const auto leave = [&] { show(linePrompt); };
    for (;;) {
      show((failed ? "(failed reverse-i-search)`" : "(reverse-i-search)`") + pattern + "': ");
      wchar_t key = 0;
      if (api_.getKey(editLine_.get(), &key) <= 0 || terminal_signals::LineDropPending()) {
        prompt_ = linePrompt;
        return CC_EOF;
      }
      if (key == L'\x12') {
        const std::size_t older = find(match < entries.size() ? match + 1 : 0);
        failed = older == entries.size();
        if (!failed) match = older;
      } else if (key == L'\x7f' || key == L'\b') {
        while (!pattern.empty() && (static_cast<unsigned char>(pattern.back()) & 0xC0) == 0x80) pattern.pop_back();
        if (!pattern.empty()) pattern.pop_back();
        match = pattern.empty() ? entries.size() : find(0);
        failed = !pattern.empty() && match == entries.size();
      } else if (key == L'\x07') {
        match = entries.size();
        leave();
        return CC_NORM;
      } else if (key >= L' ') {
        pattern += Utf8(key);
        const std::size_t found = find(match < entries.size() ? match : 0);
        failed = found == entries.size();
        if (!failed) match = found;
      } else {
        // Enter, an arrow, Ctrl-A...: the key does its usual work on the line found.
        leave();
        api_.push(editLine_.get(), Utf8(key).c_str());
        return CC_NORM;
      }
    }
  }

  const Libedit& api_;
  OwnedLocale locale_;
  std::unique_ptr<std::FILE, FileClose> errors_;
  std::unique_ptr<History, HistoryEnd> history_;
  // Ends before the history and the error file it uses.
  std::unique_ptr<EditLine, EditLineEnd> editLine_;
  std::string prompt_;
  // The history entry under way: the statement typed so far, put into the history once it is
  // complete. In memory the history holds every entry; the file, those that keep_ accepts.
  std::string entry_;
  bool continueNext_ = false;  // ContinueEntry came for the next line
  bool continuing_ = false;    // the line being read goes on entry_
  std::unique_ptr<HistoryFile> file_;
  HistoryFilter keep_;
  std::string lastWritten_;
  Completer completer_;
  std::function<void()> prepare_;
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
