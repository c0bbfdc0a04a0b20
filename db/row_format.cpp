#include "db/row_format.h"

#include <array>

#include "access/ascii.h"

namespace ql::db {

namespace {

struct NamedFormat {
  RowFormat format;
  std::string_view name;
};

constexpr std::array kFormats{
    NamedFormat{RowFormat::kTable, "table"},
    NamedFormat{RowFormat::kCsv, "csv"},
    NamedFormat{RowFormat::kTsv, "tsv"},
    NamedFormat{RowFormat::kJson, "json"},
};

}  // namespace

std::string_view RowFormatName(RowFormat format) noexcept {
  for (const NamedFormat& entry : kFormats) {
    if (entry.format == format) return entry.name;
  }
  return {};
}

std::optional<RowFormat> RowFormatNamed(std::string_view name) noexcept {
  for (const NamedFormat& entry : kFormats) {
    if (access::EqualsIgnoringCase(name, entry.name)) return entry.format;
  }
  return std::nullopt;
}

}  // namespace ql::db
