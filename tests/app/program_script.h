#pragma once
// Runs queryloom the way a script does, in a scratch directory that holds a copy of the sample
// database, and hands back what the user would read.

#include <string>
#include <string_view>

#include "support/program_run.h"
#include "support/transcript.h"

namespace ql::apptest {

using testsupport::kClosingLines;
using testsupport::kNotice;

// `script` on standard input through a pipe; sample.db lies in the working directory.
testsupport::ProgramRun RunScript(std::string_view script);

// The output up to the closing lines. Fails the current test unless the program ended with them,
// exit code 0 and nothing on standard error but notes.
std::string Transcript(std::string_view script);

}  // namespace ql::apptest
