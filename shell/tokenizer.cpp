// Splits a line into at most kMaxTokens typed tokens stored one after the other in the token area,
// each after a NUL, and joins them back into one string.

#include "shell/tokenizer.h"

#include <cstring>

namespace ql::shell {

namespace {

constexpr bool IsHexLetter(unsigned char ch) noexcept { return (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F'); }

// The kind of every byte when words are not forced; bytes not named here, 0x80 to 0xFF among them,
// are Other.
struct CharacterClass {
  const char* members;
  TokenKind kind;
};
constexpr CharacterClass kCharacterClasses[] = {
    {" \t\r\n", Blank},     {"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", Word},
    {"0123456789", Number}, {"?+-*/=", Operator},
    {"\"'", Quote},
};

struct KindTable {
  TokenKind kinds[256];
};

constexpr KindTable MakeKindTable() {
  KindTable table{};
  for (TokenKind& kind : table.kinds) kind = Other;
  for (const CharacterClass& characterClass : kCharacterClasses) {
    for (const char* member = characterClass.members; *member != '\0'; ++member) {
      table.kinds[static_cast<unsigned char>(*member)] = characterClass.kind;
    }
  }
  return table;
}

constexpr KindTable kKinds = MakeKindTable();

constexpr TokenKind KindOf(unsigned char ch, bool wordsOnly) noexcept {
  const TokenKind kind = kKinds.kinds[ch];
  return wordsOnly && kind != Blank ? Word : kind;
}

}  // namespace

Tokenizer::Tokenizer(bool wordsOnly) : wordsOnly_(wordsOnly), tokenText_(std::make_unique<char[]>(kTokenTextSize)) {}

TokenKind Tokenizer::Classify(unsigned char ch) const noexcept { return KindOf(ch, wordsOnly_); }

std::int32_t Tokenizer::Tokenize(std::string_view line) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t size = line.size();
  tokenized_ = line;
  commandWordEnd_ = 0;
  // A full token area ends the scan: every write below first checks that the byte and the final
  // NUL still fit, so a line longer than the area keeps its earlier tokens intact.
  char* const end = tokenText_.get() + kTokenTextSize;
  char* out = tokenText_.get();
  std::int32_t count = 0;
  TokenKind previous = Blank;
  // The hexadecimal prefix rule looks at the last byte copied, across blanks, not at the last byte
  // of the line.
  unsigned char lastCopied = 0;
  // Kept in locals: the bytes written through `out` could alias the members, which would make the
  // compiler reload them for every byte.
  const bool words = wordsOnly_;
  char quote = openQuote_;

  std::size_t i = 0;
  for (; i < size && bytes[i] != 0; ++i) {
    if (count >= kMaxTokens) break;
    const unsigned char ch = bytes[i];
    TokenKind kind = KindOf(ch, words);

    if (kind == Blank) {
      previous = Blank;
      continue;
    }
    if (quote != 0) {
      if (ch == static_cast<unsigned char>(quote)) {
        quote = 0;
        continue;
      }
      kind = Word;
    } else if (kind == Quote) {
      quote = static_cast<char>(ch);
      continue;
    } else {
      const unsigned char next = i + 1 < size ? bytes[i + 1] : 0;
      if ((previous == HexNumber && (kind == Number || IsHexLetter(ch))) ||
          (lastCopied == '0' && (ch == 'x' || ch == 'X')) || (ch == '0' && (next == 'x' || next == 'X'))) {
        kind = HexNumber;
      }
      if (ch == '.' && (KindOf(next, words) == Number || (i > 0 && KindOf(bytes[i - 1], words) == Number))) {
        kind = Number;
      }
    }

    const bool starts = kind != previous;
    if (end - out < (starts ? 3 : 2)) break;
    if (starts) {
      *out++ = '\0';
      tokens_[count] = out;
      tokenKinds_[count] = kind;
      ++count;
    }
    *out++ = static_cast<char>(ch);
    if (count == 1) commandWordEnd_ = i + 1;
    lastCopied = ch;
    previous = kind;
  }

  *out = '\0';
  // Where the scan stopped early, the rest of the line still opens and closes quotes, so that the
  // next line starts in the quote state this whole line leaves, not inside a quote whose closing
  // mark was never read, and a NUL does not hide the marks after it. The line counts as cut when
  // the rest held more than blanks and marks.
  bool restLost = false;
  for (; i < size; ++i) {
    const TokenKind kind = KindOf(bytes[i], words);
    if (kind == Blank) continue;
    if (quote != 0 && bytes[i] == static_cast<unsigned char>(quote)) {
      quote = 0;
    } else if (quote == 0 && kind == Quote) {
      quote = static_cast<char>(bytes[i]);
    } else {
      restLost = true;
    }
  }
  lineCut_ = restLost;
  openQuote_ = quote;
  tokenCount_ = count;
  return count;
}

void Tokenizer::JoinTokens(std::int32_t first, std::int32_t n, char* out) const {
  // Tokens at tokenCount_ and above are stale; a request reaching past the list is cut to it.
  if (first < 0) {
    n += first;
    first = 0;
  }
  if (n > tokenCount_ - first) n = tokenCount_ - first;
  char* write = out;
  for (std::int32_t i = first; i < first + n; ++i) {
    if (i > first) *write++ = ' ';
    const std::size_t length = std::strlen(tokens_[i]);
    std::memcpy(write, tokens_[i], length);
    write += length;
  }
  *write = '\0';
}

namespace {

// The text after the command word without the blanks around it.
std::string_view TrimmedArgument(std::string_view line, std::size_t commandWordEnd) noexcept {
  std::string_view text = line.substr(commandWordEnd < line.size() ? commandWordEnd : line.size());
  const auto isBlank = [](char ch) { return KindOf(static_cast<unsigned char>(ch), false) == Blank; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

constexpr bool IsQuoteMark(char ch) noexcept { return ch == '"' || ch == '\''; }

}  // namespace

std::string_view Tokenizer::ArgumentText() const noexcept {
  std::string_view text = TrimmedArgument(tokenized_, commandWordEnd_);
  if (!text.empty() && IsQuoteMark(text.front())) {
    const char mark = text.front();
    text.remove_prefix(1);
    if (!text.empty() && text.back() == mark) text.remove_suffix(1);
  }
  return text;
}

// Open exactly where ArgumentText finds no closing mark to drop.
char Tokenizer::ArgumentOpenMark() const noexcept {
  const std::string_view text = TrimmedArgument(tokenized_, commandWordEnd_);
  if (text.empty() || !IsQuoteMark(text.front())) return 0;
  return text.size() > 1 && text.back() == text.front() ? 0 : text.front();
}

char* Tokenizer::JoinArguments(char* out) const {
  JoinTokens(1, tokenCount_ - 1, out);
  return out;
}

void Tokenizer::EchoTokens(std::string& markup) const {
  for (std::int32_t i = 0; i < tokenCount_; ++i) {
    AppendColored(markup, TokenColors[tokenKinds_[i]], tokens_[i]);
    markup += ' ';
  }
}

}  // namespace ql::shell
