#pragma once
// The Ver command: the version of the data-access components.

#include <string>

namespace ql::console {
class ColorConsole;
}

namespace ql::app {

// Where the version text comes from: the data-access layer in the program, a stand-in in tests.
// It may throw std::system_error when the information cannot be read.
using VersionSource = std::string (*)();

// Prints the version, or why there is none. Without a source, the data-access layer's.
void PrintComponentVersion(console::ColorConsole& console, VersionSource source = nullptr);

}  // namespace ql::app
