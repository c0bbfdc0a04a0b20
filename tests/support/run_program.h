#pragma once
// Runs a program (queryloom unless told otherwise) the way a script or a pipeline does: the script
// on standard input through a pipe, standard output and standard error each into a pipe.

#include <string_view>

#include "support/program_run.h"

namespace ql::testsupport {

ProgramRun RunProgram(std::string_view script, const ProgramOptions& options = {});

}  // namespace ql::testsupport
