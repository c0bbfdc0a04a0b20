#include "db/delimited_rows.h"

#include <cstring>
#include <utility>

#include "db/export_value.h"

namespace ql::db {

namespace {

// What is built goes to the printer in pieces of about this size: large writes, one buffer.
constexpr std::size_t kPassBytes = 64 * 1024;

// The bytes each style must treat inside a value, as a table: a scan of the value is one lookup a
// byte (std::string_view::find_first_of would search the set once for every byte).
struct ByteSet {
  constexpr explicit ByteSet(std::string_view members) {
    for (char ch : members) has[static_cast<unsigned char>(ch)] = true;
  }
  // The position of the first member in `text`, or npos.
  std::size_t FindIn(std::string_view text) const noexcept {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (has[static_cast<unsigned char>(text[i])]) return i;
    }
    return std::string_view::npos;
  }
  bool has[256] = {};
};

constexpr ByteSet kCsvQuoted(",\"\n\r");
constexpr ByteSet kTsvEscaped("\t\n\r\\");

bool NeedsQuotes(std::string_view text) {
  if (text.empty()) return true;  // "" tells an empty text from NULL
  const char first = text.front();
  const char last = text.back();
  if (first == ' ' || first == '\t' || last == ' ' || last == '\t') return true;
  return kCsvQuoted.FindIn(text) != std::string_view::npos;
}

}  // namespace

DelimitedRows::DelimitedRows(std::function<void(std::string_view)> print, Style style, bool withHeader)
    : print_(std::move(print)), style_(style), withHeader_(withHeader) {}

void DelimitedRows::WriteText(std::string_view text) {
  if (style_ == Style::kCsv) {
    if (!NeedsQuotes(text)) {
      out_ += text;
      return;
    }
    out_ += '"';
    for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos;) {
      out_.append(text.substr(0, quote + 1));
      out_ += '"';
      text.remove_prefix(quote + 1);
    }
    out_ += text;
    out_ += '"';
    return;
  }
  for (std::size_t special; (special = kTsvEscaped.FindIn(text)) != std::string_view::npos;) {
    out_.append(text.substr(0, special));
    out_ += '\\';
    const char ch = text[special];
    out_ += ch == '\t' ? 't' : ch == '\n' ? 'n' : ch == '\r' ? 'r' : '\\';
    text.remove_prefix(special + 1);
  }
  out_ += text;
}

void DelimitedRows::Header(std::span<const std::string_view> names) {
  if (!withHeader_) return;
  const char separator = style_ == Style::kCsv ? ',' : '\t';
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out_ += separator;
    WriteText(names[i]);
  }
  out_ += '\n';
}

void DelimitedRows::Row(std::span<const Cell> cells) {
  const char separator = style_ == Style::kCsv ? ',' : '\t';
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) out_ += separator;
    if (cells[i].value == nullptr) continue;
    // A text is written from the value itself, without a copy of its own.
    if (cells[i].value->Type() == access::VT_BSTR) {
      WriteText(cells[i].value->Bytes());
      continue;
    }
    value_.clear();
    switch (AppendExportValue(*cells[i].value, value_)) {
      case ExportKind::kNull:
        if (style_ == Style::kTsv) out_ += "\\N";
        break;
      case ExportKind::kNumber:
      case ExportKind::kBoolean:
        out_ += value_;  // digits, a sign, a point, an exponent, a word: nothing to quote
        break;
      case ExportKind::kText:
        WriteText(value_);
        break;
    }
  }
  out_ += '\n';
  Pass(false);
}

void DelimitedRows::End(std::optional<std::int64_t>) { Pass(true); }

void DelimitedRows::Pass(bool all) {
  if (out_.empty() || (!all && out_.size() < kPassBytes)) return;
  print_(out_);
  out_.clear();
}

}  // namespace ql::db
