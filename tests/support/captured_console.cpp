#include "support/captured_console.h"

#include <utility>

namespace ql {

namespace testsupport {

namespace {

std::shared_ptr<TerminalScript> MakeScript(bool colour, std::string input) {
  auto script = std::make_shared<TerminalScript>();
  script->console = colour;
  script->input = std::move(input);
  return script;
}

}  // namespace

CapturedConsole::CapturedConsole(bool colour, std::string input)
    : script_(MakeScript(colour, std::move(input))), console_(ScriptedTerminal(script_)) {}

std::string CapturedConsole::Output() {
  console_.Flush();
  return script_->output;
}

std::string CapturedConsole::TakeOutput() {
  console_.Flush();
  return std::exchange(script_->output, std::string());
}

}  // namespace testsupport

}  // namespace ql
