#pragma once
// The program's own lines: the maker's notice and the lines printed as the program ends.

namespace ql::console {
class ColorConsole;
}

namespace ql::app {

// One line: the year range in bright white, the maker in yellow, the rest in grey.
void PrintMakersNotice(console::ColorConsole& console);

// The program's line, then the maker's notice.
void PrintClosingLines(console::ColorConsole& console);

}  // namespace ql::app
