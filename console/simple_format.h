#pragma once
// Internal to the console: printf formatting of the few conversions the program's texts use, done
// directly instead of through vsnprintf, which costs more than the rest of printing a line.

#include <cstdarg>
#include <cstddef>

namespace ql::console {

// Formats `format` into `out` (at most `capacity` bytes, no NUL added) exactly as vsnprintf would,
// and returns the size. Understood: %s, %c, %d, %i, %u, %x and %X with the flags '-' and '0' and a
// width, and %%. Returns -1, having consumed any number of `arguments`, for any other conversion
// and for a text longer than `capacity`; the caller then formats from a copy of the arguments
// taken before.
long FormatSimple(char* out, std::size_t capacity, const char* format, va_list arguments);

}  // namespace ql::console
