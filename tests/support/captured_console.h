#pragma once
// A ColorConsole whose output a test reads back as a string.

#include <memory>
#include <string>

#include "console/color_console.h"
#include "support/scripted_terminal.h"

namespace ql::testsupport {

class CapturedConsole {
 public:
  // `colour`: whether the console sees a colour terminal (escape sequences) or a pipe (plain text).
  explicit CapturedConsole(bool colour = false, std::string input = {});

  console::ColorConsole& Console() { return console_; }
  TerminalScript& Script() { return *script_; }

  // Everything written so far, pending output flushed first.
  std::string Output();
  // The same, forgetting it, so the next call shows only what came after.
  std::string TakeOutput();

 private:
  std::shared_ptr<TerminalScript> script_;
  console::ColorConsole console_;
};

}  // namespace ql::testsupport
