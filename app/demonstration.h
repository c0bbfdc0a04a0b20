#pragma once
// A sample session of the program: what a user types at the prompt and what comes back.

namespace console {
class ColorConsole;
}

namespace app {

void PrintDemonstration(console::ColorConsole& console);

}  // namespace app
