#pragma once
// A RowSink that prints rows as an aligned table: a line of column names, a rule, a line per row,
// columns separated by " | ", numbers standing to the right, and after the last row of a result
// "(N rows)". Column widths are measured on the first rows (a bounded window, so that a result of
// any length is never held) and grow as later rows need. When a width limit is given (a
// terminal's), the table is narrowed to it: the widest columns are cut first, and each value cut
// ends in a mark.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/row_sink.h"

namespace ql::db {

class AlignedTable final : public RowSink {
 public:
  // How many rows, and how many bytes of their cells, are held to measure the columns before the
  // first line is printed.
  static constexpr std::size_t kWindowRows = 1000;
  static constexpr std::size_t kWindowBytes = std::size_t{4} << 20;
  // What ends a value cut to fit the width limit.
  static constexpr std::string_view kCutMark = "~";

  // `print` takes whole lines, several at a time. `escaped`: widths count control bytes as the
  // console shows them at a terminal (see console/terminal/shown_text.h). `widthLimit`: the columns a line
  // may take, or nothing to cut nothing.
  AlignedTable(std::function<void(std::string_view)> print, bool escaped, std::optional<std::size_t> widthLimit);

  void Header(std::span<const std::string_view> names) override;
  void Row(std::span<const Cell> cells) override;
  // Without a header before it, only the closing line (when there is one) is printed.
  void End(std::optional<std::int64_t> total) override;

 private:
  struct HeldCell {
    std::size_t offset;
    std::size_t length;
    CellKind kind;
  };

  // Measures the held rows, prints the header, the rule and those rows, and lets them go.
  void LayOut();
  // Narrows the columns until a line fits the width limit.
  void Fit();
  void WriteLine(std::span<const Cell> cells, bool header);
  void WriteCell(std::size_t column, const Cell& cell, bool rightAligned, bool last);
  void WriteRule();
  // Hands what is built to `print` once it is large.
  void Pass(bool all);
  std::size_t Width(std::string_view text) const;

  std::function<void(std::string_view)> print_;
  const bool escaped_;
  const std::optional<std::size_t> limit_;

  std::vector<std::string> names_;
  std::vector<std::size_t> widths_;
  // A column whose measured values are all numbers (NULL aside): its name and NULLs stand right.
  std::vector<bool> numeric_;
  std::size_t lineWidth_ = 0;  // columns a full line takes: the widths and the separators
  bool headed_ = false;
  bool laidOut_ = false;

  std::string heldText_;
  std::vector<HeldCell> heldCells_;
  std::size_t heldRows_ = 0;

  std::string out_;
  std::vector<Cell> rowCells_;  // a held row handed back as cells
};

}  // namespace ql::db
