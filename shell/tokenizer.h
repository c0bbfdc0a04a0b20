#pragma once
// A command line split into at most kMaxTokens typed tokens, and the text after its command word as
// typed. The tokens come from a bounded prefix of the line; the quote state carries over from one
// line to the next, as a quotation mark opened on one line is still open on the next.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "shell/token_kind.h"

namespace ql::shell {

class Tokenizer {
 public:
  static constexpr std::int32_t kMaxTokens = 16;
  // The tokens are taken from at most the first kLineSize - 1 bytes of a line (the rest is only
  // scanned for quotation marks). A line of kLineSize - 1 bytes can form as many one-byte tokens as
  // the limit allows, each with its NUL in front, plus the final NUL: this many bytes always hold
  // the tokens of one line.
  static constexpr std::int32_t kLineSize = 320;
  static constexpr std::int32_t kTokenTextSize = kLineSize + kMaxTokens + 1;

  // wordsOnly: every byte but a blank is a word character (the hexadecimal prefix aside).
  explicit Tokenizer(bool wordsOnly);
  Tokenizer(const Tokenizer&) = delete;
  Tokenizer& operator=(const Tokenizer&) = delete;

  TokenKind Classify(unsigned char ch) const noexcept;
  // Splits `line` into the token list and returns the token count. A line longer than kLineSize - 1
  // bytes is scanned only as far as the token area holds; tokens end at a NUL byte, but the
  // quotation marks after it still count for the quote state. `line` must outlive the use of
  // ArgumentText.
  std::int32_t Tokenize(std::string_view line);
  // Tokens first .. first + n - 1 joined with single blanks into `out`; a range reaching past the
  // token list is cut to it. `out` needs kTokenTextSize bytes at most.
  void JoinTokens(std::int32_t first, std::int32_t n, char* out) const;
  // Every token after the command word, joined; the empty string when there is none.
  char* JoinArguments(char* out) const;
  // The text of the last tokenized line after the command word, exactly as typed but for these: the
  // blanks before it and after it, and a quotation mark (double or single) it starts with, with the
  // same mark where it ends, are dropped. NUL bytes are kept.
  std::string_view ArgumentText() const noexcept;
  // The quotation mark that the text after the command word starts with (after its blanks) when the
  // text does not also end with it, so that ArgumentText would drop no closing mark: the statement is
  // still open. 0 when the text starts with no mark or closes it.
  char ArgumentOpenMark() const noexcept;
  // Appends the tokens in the markup of their kinds' colours, each followed by a blank.
  void EchoTokens(std::string& markup) const;

  std::int32_t TokenCount() const noexcept { return tokenCount_; }
  char* const* Tokens() const noexcept { return tokens_; }
  char** Tokens() noexcept { return tokens_; }
  const TokenKind* TokenKinds() const noexcept { return tokenKinds_; }
  // The quotation mark left open by the last line, which the next line starts inside; 0 when none.
  char OpenQuote() const noexcept { return openQuote_; }
  // The quote state the next line starts in, for a caller that splits a line again.
  void SetOpenQuote(char mark) noexcept { openQuote_ = mark; }
  // True when the last line did not reach the token list whole: tokens past the limit, or bytes
  // past the scanned prefix, were left out of it. ArgumentText still holds them.
  bool LineCut() const noexcept { return lineCut_; }

 private:
  bool wordsOnly_;
  char openQuote_ = 0;
  bool lineCut_ = false;
  // On the heap at its exact size, so that a sanitizer build sees any write past it.
  std::unique_ptr<char[]> tokenText_;
  std::string_view tokenized_;      // the line Tokenize split last
  std::size_t commandWordEnd_ = 0;  // in tokenized_, just past the last byte of the command word
  std::int32_t tokenCount_ = 0;
  char* tokens_[kMaxTokens] = {};
  TokenKind tokenKinds_[kMaxTokens] = {};
};

}  // namespace ql::shell
