#pragma once
// A RowSink that writes rows as JSON Lines: one object per row, on a line of its own, the column
// names as its keys in the result's order (a name that comes twice is written twice). Integers and
// decimals are JSON numbers with every digit, reals the shortest that read back as the same number
// (NaN and the infinities as the strings "NaN", "Infinity", "-Infinity"), NULL is null, booleans
// true and false; dates, binary (base64) and every other value are strings (see AppendExportValue).
// Strings carry UTF-8 as it is; a quote, a backslash and the control bytes are escaped (\n, \t, ...,
// \u00XX), and a byte that is not part of valid UTF-8 is written \uDCXX, XX being the byte: the
// lone surrogate a reader such as Python's (errors="surrogateescape") turns back into that byte, and
// that no valid text can produce. Nothing comes before or after the rows.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/row_sink.h"

namespace ql::db {

class JsonLines final : public RowSink {
 public:
  // `print` takes whole lines, many at a time.
  explicit JsonLines(std::function<void(std::string_view)> print);

  bool WantsShownText() const override { return false; }
  void Header(std::span<const std::string_view> names) override;
  void Row(std::span<const Cell> cells) override;
  void End(std::optional<std::int64_t> total) override;

 private:
  void Pass(bool all);

  std::function<void(std::string_view)> print_;
  std::vector<std::string> keys_;  // each name as a JSON string with its colon: "\"id\":"
  std::string out_;
  std::string value_;  // a value's text, reused from cell to cell
};

// Appends `text` to `out` as a JSON string, quotes included, escaped as JsonLines writes strings.
void AppendJsonString(std::string_view text, std::string& out);

}  // namespace ql::db
