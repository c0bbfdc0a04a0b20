#include "console/simple_format.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace ql::console {
namespace {

// Wider fields are left to vsnprintf; no text of the program asks for one.
constexpr std::size_t kMaxWidth = 4096;

struct Conversion {
  bool left = false;
  bool zero = false;
  std::size_t width = 0;
};

class Writer {
 public:
  Writer(char* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

  bool Put(std::string_view text) {
    if (text.size() > capacity_ - size_) return false;
    // An empty view may have no data at all, which memcpy must not be given.
    if (text.empty()) return true;
    std::memcpy(out_ + size_, text.data(), text.size());
    size_ += text.size();
    return true;
  }

  bool Fill(char ch, std::size_t count) {
    if (count > capacity_ - size_) return false;
    std::memset(out_ + size_, ch, count);
    size_ += count;
    return true;
  }

  std::size_t Size() const noexcept { return size_; }

 private:
  char* out_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

// `sign` and `body` within the conversion's width: blanks before, blanks after with '-', or zeros between
// the sign and the digits with '0' (numbers only; '-' wins over '0' as in printf).
bool PutPadded(Writer& writer, const Conversion& conversion, std::string_view sign, std::string_view body,
               bool number) {
  const std::size_t length = sign.size() + body.size();
  const std::size_t pad = conversion.width > length ? conversion.width - length : 0;
  if (conversion.left) return writer.Put(sign) && writer.Put(body) && writer.Fill(' ', pad);
  if (conversion.zero && number) return writer.Put(sign) && writer.Fill('0', pad) && writer.Put(body);
  return writer.Fill(' ', pad) && writer.Put(sign) && writer.Put(body);
}

bool PutUnsigned(Writer& writer, const Conversion& conversion, std::string_view sign, unsigned value, int base,
                 bool upper) {
  char digits[16];
  char* const end = std::to_chars(digits, digits + sizeof digits, value, base).ptr;
  if (upper) {
    for (char* digit = digits; digit != end; ++digit) {
      if (*digit >= 'a' && *digit <= 'f') *digit = static_cast<char>(*digit - 'a' + 'A');
    }
  }
  return PutPadded(writer, conversion, sign, std::string_view(digits, static_cast<std::size_t>(end - digits)), true);
}

}  // namespace

long FormatSimple(char* out, std::size_t capacity, const char* format, va_list arguments) {
  Writer writer(out, capacity);
  const char* at = format;
  for (;;) {
    const char* percent = std::strchr(at, '%');
    if (percent == nullptr) {
      if (!writer.Put(at)) return -1;
      return static_cast<long>(writer.Size());
    }
    if (!writer.Put(std::string_view(at, static_cast<std::size_t>(percent - at)))) return -1;
    at = percent + 1;
    if (*at == '%') {
      if (!writer.Put("%")) return -1;
      ++at;
      continue;
    }
    Conversion conversion;
    for (;; ++at) {
      if (*at == '-') {
        conversion.left = true;
      } else if (*at == '0') {
        conversion.zero = true;
      } else {
        break;
      }
    }
    for (; *at >= '0' && *at <= '9'; ++at) {
      conversion.width = conversion.width * 10 + static_cast<std::size_t>(*at - '0');
      if (conversion.width > kMaxWidth) return -1;
    }
    bool written = false;
    switch (*at) {
      case 's': {
        if (conversion.zero) return -1;
        const char* text = va_arg(arguments, const char*);
        written = PutPadded(writer, conversion, {}, text != nullptr ? text : "(null)", false);
        break;
      }
      case 'c': {
        if (conversion.zero) return -1;
        const char ch = static_cast<char>(va_arg(arguments, int));
        written = PutPadded(writer, conversion, {}, std::string_view(&ch, 1), false);
        break;
      }
      case 'd':
      case 'i': {
        const int value = va_arg(arguments, int);
        const unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        written = PutUnsigned(writer, conversion, value < 0 ? "-" : "", magnitude, 10, false);
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        const unsigned value = va_arg(arguments, unsigned);
        written = PutUnsigned(writer, conversion, {}, value, *at == 'u' ? 10 : 16, *at == 'X');
        break;
      }
      default:
        return -1;
    }
    if (!written) return -1;
    ++at;
  }
}

}  // namespace ql::console
