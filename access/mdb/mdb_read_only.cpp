#include "access/mdb/mdb_read_only.h"

#include "access/ascii.h"

namespace ql::access {
namespace {

constexpr std::string_view kQueryWords[] = {"SELECT", "TRANSFORM"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Reads the statement as a run of pieces: words, quoted texts, bracketed names, comments and single
// characters. Quoted texts and names that never close run to the end.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  // The next word outside quotes and comments, or a single other character; empty at the end.
  // Quoted texts, bracketed names and comments come back as "'" so that they are never mistaken
  // for a keyword or a ';'.
  std::string_view Next() {
    for (;;) {
      while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
      if (at_ >= text_.size()) return {};
      const char c = text_[at_];
      if (c == '-' && Peek(1) == '-') {
        Skip("\n", 2);
        continue;
      }
      if (c == '/' && Peek(1) == '*') {
        Skip("*/", 2);
        continue;
      }
      if (c == '\'' || c == '"' || c == '`') {
        Skip(std::string_view(&text_[at_], 1), 1);
        return "'";
      }
      if (c == '[') {
        Skip("]", 1);
        return "'";
      }
      const std::size_t start = at_;
      if (IsWordChar(c)) {
        while (at_ < text_.size() && IsWordChar(text_[at_])) ++at_;
      } else {
        ++at_;
      }
      return text_.substr(start, at_ - start);
    }
  }

 private:
  char Peek(std::size_t ahead) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }

  // Moves past the opening of `width` characters and then past the next `end`, or to the end of
  // the text. A doubled quote inside a quoted text is found as an end and a new start, which reads
  // the same.
  void Skip(std::string_view end, std::size_t width) {
    const std::size_t found = text_.find(end, at_ + width);
    at_ = found == std::string_view::npos ? text_.size() : found + end.size();
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

bool IsReadOnlyStatement(std::string_view sql) {
  Scanner scanner(sql);
  std::string_view piece = scanner.Next();
  while (piece == "(") piece = scanner.Next();
  if (!IsOneOfIgnoringCase(piece, kQueryWords)) return false;
  for (piece = scanner.Next(); !piece.empty(); piece = scanner.Next()) {
    if (EqualsIgnoringCase(piece, "INTO")) return false;
    if (piece == ";") {
      // Only a trailing ';' (or several) may follow the query.
      for (piece = scanner.Next(); piece == ";"; piece = scanner.Next()) {
      }
      return piece.empty();
    }
  }
  return true;
}

}  // namespace ql::access
