#pragma once
// The program's one road to the terminal: formatted output with in-band colour markup, line input,
// clearing the screen and placing the cursor.
//
// Markup: "#XY" sets the attribute for the text after it (X background, Y foreground, hexadecimal
// digits, any other byte counting as 0); "##" prints one "#". Attributes are Win32 console
// attributes (blue 1, green 2, red 4, intensity 8 in each nibble); on a colour terminal they become
// ANSI escape sequences, elsewhere the markup is removed and no escape byte is written.

#include <cstdarg>
#include <cstdint>
#include <memory>

#include "console/terminal.h"

namespace console {

class ColorConsole {
 public:
  ColorConsole();  // on the process's terminal
  explicit ColorConsole(std::unique_ptr<Terminal> terminal);
  ~ColorConsole();  // on a colour terminal resets the colours; flushes
  ColorConsole(const ColorConsole&) = delete;
  ColorConsole& operator=(const ColorConsole&) = delete;

  bool Initialize();

  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void PrintV(const char* format, va_list arguments) __attribute__((format(printf, 2, 0)));

  // One line of at most size - 1 bytes, line end included, NUL-terminated; the count of bytes, or
  // 0 (with an empty text) at the end of input or on failure. Flushes pending output first.
  std::int32_t ReadLine(char* buffer, std::int32_t size);

  bool ClearScreen(std::uint16_t attribute);
  bool MoveCursor(std::int16_t column, std::int16_t row);

  void Flush();
  std::uint16_t CurrentAttribute() const noexcept { return currentAttribute_; }

 private:
  // Details of buffering and escape output live in color_console.cpp.
  std::unique_ptr<Terminal> terminal_;
  std::uint16_t currentAttribute_ = 0;
  bool isConsole_ = false;
};

}  // namespace console
