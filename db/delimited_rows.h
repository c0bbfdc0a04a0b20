#pragma once
// A RowSink that writes rows as a file of delimited values, for programs to read:
// - csv (RFC 4180, lines ended by LF alone): a header line of the column names, fields separated by
//   commas; a field is quoted when it holds a comma, a quote, a line end (LF or CR), or starts or
//   ends with a blank or a tab, a quote inside doubled; an empty text is "" and NULL an empty field
//   without quotes.
// - tsv: a header line, fields separated by tabs; a tab, line feed, carriage return and backslash
//   inside a value are written \t, \n, \r and \\, and NULL is \N.
// Values are written as AppendExportValue writes them, whole. No closing line follows the rows, so
// that the rows of one result printed in several parts make one file.

#include <functional>
#include <string>
#include <string_view>

#include "db/row_sink.h"

namespace ql::db {

class DelimitedRows final : public RowSink {
 public:
  enum class Style { kCsv, kTsv };

  // `print` takes whole lines, many at a time. `withHeader`: whether the header line is written
  // (false when it was written already for the rows of this result).
  DelimitedRows(std::function<void(std::string_view)> print, Style style, bool withHeader);

  bool WantsShownText() const override { return false; }
  void Header(std::span<const std::string_view> names) override;
  void Row(std::span<const Cell> cells) override;
  void End(std::optional<std::int64_t> total) override;

 private:
  // Appends `text` as a field holding a text (quoted or escaped as the style asks).
  void WriteText(std::string_view text);
  void Pass(bool all);

  std::function<void(std::string_view)> print_;
  const Style style_;
  const bool withHeader_;
  std::string out_;
  std::string value_;  // a value's text, reused from cell to cell
};

}  // namespace ql::db
