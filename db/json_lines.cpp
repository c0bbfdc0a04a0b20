#include "db/json_lines.h"

#include <cstdint>
#include <utility>

#include "db/export_value.h"

namespace ql::db {

namespace {

constexpr std::size_t kPassBytes = 64 * 1024;
constexpr char kHex[] = "0123456789abcdef";

// The length of the valid UTF-8 sequence at the start of `text` (1 for ASCII), or 0 when its first
// byte does not start one: a stray continuation byte, an overlong form, a surrogate, a code point
// past U+10FFFF, or a sequence cut short.
std::size_t Utf8Length(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void AppendEscape(unsigned code, std::string& out) {
  out += "\\u";
  out += kHex[code >> 12 & 15];
  out += kHex[code >> 8 & 15];
  out += kHex[code >> 4 & 15];
  out += kHex[code & 15];
}

}  // namespace

void AppendJsonString(std::string_view text, std::string& out) {
  out += '"';
  std::size_t plain = 0;  // the start of the bytes not yet copied
  std::size_t i = 0;
  while (i < text.size()) {
    const auto ch = static_cast<unsigned char>(text[i]);
    if (ch >= 0x20 && ch < 0x80 && ch != '"' && ch != '\\') {
      ++i;
      continue;
    }
    if (ch >= 0x80) {
      const std::size_t length = Utf8Length(text.substr(i));
      if (length > 0) {
        i += length;
        continue;
      }
    }
    out.append(text.substr(plain, i - plain));
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        AppendEscape(ch < 0x80 ? ch : 0xDC00u + ch, out);
        break;
    }
    plain = ++i;
  }
  out.append(text.substr(plain));
  out += '"';
}

JsonLines::JsonLines(std::function<void(std::string_view)> print) : print_(std::move(print)) {}

void JsonLines::Header(std::span<const std::string_view> names) {
  keys_.clear();
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string key = i == 0 ? "{" : ",";
    AppendJsonString(names[i], key);
    key += ':';
    keys_.push_back(std::move(key));
  }
}

void JsonLines::Row(std::span<const Cell> cells) {
  for (std::size_t i = 0; i < cells.size() && i < keys_.size(); ++i) {
    out_ += keys_[i];
    if (cells[i].value == nullptr) {
      out_ += "null";
      continue;
    }
    if (cells[i].value->Type() == access::VT_BSTR) {
      AppendJsonString(cells[i].value->Bytes(), out_);
      continue;
    }
    value_.clear();
    switch (AppendExportValue(*cells[i].value, value_)) {
      case ExportKind::kNull:
        out_ += "null";
        break;
      case ExportKind::kNumber:
      case ExportKind::kBoolean:
        out_ += value_;
        break;
      case ExportKind::kText:
        AppendJsonString(value_, out_);
        break;
    }
  }
  out_ += keys_.empty() ? "{}\n" : "}\n";
  Pass(false);
}

void JsonLines::End(std::optional<std::int64_t>) { Pass(true); }

void JsonLines::Pass(bool all) {
  if (out_.empty() || (!all && out_.size() < kPassBytes)) return;
  print_(out_);
  out_.clear();
}

}  // namespace ql::db
