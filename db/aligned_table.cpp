#include "db/aligned_table.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "console/terminal/shown_text.h"
#include "db/value_format.h"

namespace ql::db {

namespace {

constexpr std::string_view kSeparator = " | ";
constexpr std::string_view kRuleSeparator = "-+-";
// A column is narrowed no further than this, so that a cut value still shows its start.
constexpr std::size_t kNarrowest = 3;
// What is built goes to the printer in pieces of about this size.
constexpr std::size_t kPassBytes = 16 * 1024;

}  // namespace

AlignedTable::AlignedTable(std::function<void(std::string_view)> print, bool escaped,
                           std::optional<std::size_t> widthLimit)
    : print_(std::move(print)), escaped_(escaped), limit_(widthLimit) {}

std::size_t AlignedTable::Width(std::string_view text) const { return console::ShownWidth(text, escaped_); }

void AlignedTable::Header(std::span<const std::string_view> names) {
  headed_ = true;
  names_.assign(names.begin(), names.end());
  widths_.assign(names_.size(), 0);
  numeric_.assign(names_.size(), false);
  rowCells_.assign(names_.size(), Cell{});
}

void AlignedTable::Row(std::span<const Cell> cells) {
  if (laidOut_) {
    WriteLine(cells, false);
    Pass(false);
    return;
  }
  for (std::size_t column = 0; column < names_.size(); ++column) {
    const Cell cell = column < cells.size() ? cells[column] : Cell{};
    heldCells_.push_back({heldText_.size(), cell.text.size(), cell.kind});
    heldText_ += cell.text;
  }
  ++heldRows_;
  if (heldRows_ >= kWindowRows || heldText_.size() >= kWindowBytes) LayOut();
}

void AlignedTable::End(std::optional<std::int64_t> total) {
  if (headed_ && !laidOut_) LayOut();
  if (total) {
    out_ += '(';
    AppendNumber(*total, out_);
    out_ += *total == 1 ? " row)\n" : " rows)\n";
  }
  Pass(true);
}

void AlignedTable::LayOut() {
  laidOut_ = true;
  const std::size_t columns = names_.size();
  std::vector<bool> anyNumber(columns, false);
  std::vector<bool> onlyNumbers(columns, true);
  for (std::size_t column = 0; column < columns; ++column) widths_[column] = Width(names_[column]);
  for (std::size_t k = 0; k < heldCells_.size(); ++k) {
    const std::size_t column = k % columns;
    const HeldCell& held = heldCells_[k];
    widths_[column] = std::max(widths_[column], Width(std::string_view(heldText_).substr(held.offset, held.length)));
    if (held.kind == CellKind::kNumber) anyNumber[column] = true;
    if (held.kind == CellKind::kOther) onlyNumbers[column] = false;
  }
  lineWidth_ = columns > 0 ? (columns - 1) * kSeparator.size() : 0;
  for (std::size_t column = 0; column < columns; ++column) {
    numeric_[column] = anyNumber[column] && onlyNumbers[column];
    lineWidth_ += widths_[column];
  }
  if (limit_) Fit();

  std::vector<Cell> header(columns);
  for (std::size_t column = 0; column < columns; ++column) header[column] = {names_[column], CellKind::kOther};
  WriteLine(header, true);
  WriteRule();
  const std::string_view text = heldText_;
  for (std::size_t row = 0; row < heldRows_; ++row) {
    for (std::size_t column = 0; column < columns; ++column) {
      const HeldCell& held = heldCells_[row * columns + column];
      rowCells_[column] = {text.substr(held.offset, held.length), held.kind};
    }
    WriteLine(rowCells_, false);
    Pass(false);
  }
  std::string().swap(heldText_);
  std::vector<HeldCell>().swap(heldCells_);
  heldRows_ = 0;
}

// The widest columns are narrowed to one common width, the largest under which a line fits; the
// columns left are given what room remains, one column each from the left.
void AlignedTable::Fit() {
  const std::size_t columns = widths_.size();
  if (columns == 0 || lineWidth_ <= *limit_) return;
  const std::size_t separators = (columns - 1) * kSeparator.size();
  const std::size_t room = *limit_ > separators ? *limit_ - separators : 0;
  const auto total = [&](std::size_t cap) {
    std::size_t sum = 0;
    for (std::size_t width : widths_) sum += std::min(width, cap);
    return sum;
  };
  // Under the cap `fits` the columns fit (or it is the narrowest of all), under `tooWide` they do not.
  std::size_t tooWide = *std::max_element(widths_.begin(), widths_.end());
  if (tooWide <= kNarrowest) return;
  std::size_t fits = kNarrowest;
  while (tooWide - fits > 1 && total(fits) <= room) {
    const std::size_t middle = fits + (tooWide - fits) / 2;
    (total(middle) <= room ? fits : tooWide) = middle;
  }
  std::size_t left = room > total(fits) ? room - total(fits) : 0;
  lineWidth_ = separators;
  for (std::size_t& width : widths_) {
    if (width > fits) {
      width = fits;
      if (left > 0) {
        ++width;
        --left;
      }
    }
    lineWidth_ += width;
  }
}

void AlignedTable::WriteLine(std::span<const Cell> cells, bool header) {
  const std::size_t start = out_.size();
  const std::size_t columns = names_.size();
  for (std::size_t column = 0; column < columns; ++column) {
    const Cell cell = column < cells.size() ? cells[column] : Cell{};
    const bool last = column + 1 == columns;
    const bool right = header ? numeric_[column]
                              : cell.kind == CellKind::kNumber || (cell.kind == CellKind::kNull && numeric_[column]);
    // No blank ends a line but one of a value's own.
    if (column > 0) out_ += last && cell.text.empty() && !right ? kSeparator.substr(0, 2) : kSeparator;
    WriteCell(column, cell, right, last);
  }
  // Only where even the narrowest columns do not fit: the line itself is cut.
  if (limit_ && lineWidth_ > *limit_) {
    const std::string_view line = std::string_view(out_).substr(start);
    if (Width(line) > *limit_) {
      const std::size_t room = *limit_ > kCutMark.size() ? *limit_ - kCutMark.size() : 0;
      out_.resize(start + console::ShownPrefix(line, escaped_, room));
      out_ += kCutMark;
    }
  }
  out_ += '\n';
}

void AlignedTable::WriteCell(std::size_t column, const Cell& cell, bool rightAligned, bool last) {
  std::size_t& columnWidth = widths_[column];
  std::string_view text = cell.text;
  std::size_t width = Width(text);
  if (width > columnWidth) {
    std::size_t grow = width - columnWidth;
    if (limit_) grow = std::min(grow, *limit_ > lineWidth_ ? *limit_ - lineWidth_ : std::size_t{0});
    columnWidth += grow;
    lineWidth_ += grow;
  }
  const bool cut = width > columnWidth;
  if (cut) {
    const std::size_t room = columnWidth > kCutMark.size() ? columnWidth - kCutMark.size() : 0;
    text = text.substr(0, console::ShownPrefix(text, escaped_, room));
    width = Width(text) + kCutMark.size();
  }
  const std::size_t padding = columnWidth > width ? columnWidth - width : 0;
  if (rightAligned) out_.append(padding, ' ');
  out_ += text;
  if (cut) out_ += kCutMark;
  if (!rightAligned && !last) out_.append(padding, ' ');
}

void AlignedTable::WriteRule() {
  const std::size_t start = out_.size();
  for (std::size_t column = 0; column < widths_.size(); ++column) {
    if (column > 0) out_ += kRuleSeparator;
    out_.append(widths_[column], '-');
  }
  if (limit_ && out_.size() - start > *limit_) out_.resize(start + *limit_);
  out_ += '\n';
}

void AlignedTable::Pass(bool all) {
  if (out_.empty() || (!all && out_.size() < kPassBytes)) return;
  print_(out_);
  out_.clear();
}

}  // namespace ql::db
