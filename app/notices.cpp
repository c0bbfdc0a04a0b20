#include "app/notices.h"

#include "console/color_console.h"

namespace ql::app {

void PrintMakersNotice(console::ColorConsole& console) {
  console.Print(" #0f(C) 2003-2026 #0eQuillory#07. All rights reserved.\n");
}

void PrintClosingLines(console::ColorConsole& console) {
  console.Print(" #07Command line #09QUERYLOOM#07, by #0eVantero#07.\n");
  PrintMakersNotice(console);
}

}  // namespace ql::app
