#pragma once
// Runs a program (queryloom unless told otherwise) on a pseudo-terminal, as a user at a terminal
// would, and returns the raw bytes it wrote there: escape sequences included, standard error mixed
// in. The terminal neither echoes the script nor turns "\n" into "\r\n", so the output is exactly
// what the program wrote. TERM is xterm-256color and NO_COLOR unset unless the options say
// otherwise. The script is typed ahead, all of it at once, followed by the end-of-input key; lines
// are limited to the terminal's 4095 bytes. Keys typed ahead are taken in the terminal's line mode,
// so a program with a line editor (queryloom, where a person types) is driven with
// TerminalSession instead, which types each key once the editor waits for it.

#include <string_view>

#include "support/program_run.h"

namespace ql::testsupport {

ProgramRun RunInTerminal(std::string_view script, const ProgramOptions& options = {});

}  // namespace ql::testsupport
