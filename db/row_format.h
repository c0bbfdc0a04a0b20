#pragma once
// The forms Rows prints a result in: an aligned table for reading, or a file format for programs.

#include <optional>
#include <string_view>

namespace ql::db {

enum class RowFormat { kTable, kCsv, kTsv, kJson };

// The format's name as it is typed ("table", "csv", "tsv", "json").
std::string_view RowFormatName(RowFormat format) noexcept;
// The format a name stands for, matched without regard to case; nothing for any other word.
std::optional<RowFormat> RowFormatNamed(std::string_view name) noexcept;

}  // namespace ql::db
