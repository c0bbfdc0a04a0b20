#pragma once
// A sample session of the program: what a user types at the prompt and what comes back.

namespace ql::console {
class ColorConsole;
}

namespace ql::app {

void PrintDemonstration(console::ColorConsole& console);

}  // namespace ql::app
