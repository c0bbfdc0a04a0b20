#pragma once
// What a user reads from a run of the program through a pipe, without the closing lines every run
// ends with.

#include <string>

#include "support/program_run.h"

namespace ql::testsupport {

// The maker's notice, as About prints it on a pipe.
inline const std::string kNotice = " (C) 2003-2026 Quillory. All rights reserved.\n";
// What the program prints as it ends, after its last prompt.
inline const std::string kClosingLines = " Command line QUERYLOOM, by Vantero.\n" + kNotice;

// The output up to the closing lines. Fails the current test unless the program ended with them,
// exit code 0 and nothing on standard error but notes.
std::string Transcript(const ProgramRun& run);
// True when `errors` is nothing but whole lines of notes (console::ColorConsole::Note): counts of
// rows changed, the database's messages (with the lines of their own text), results waiting, times
// taken, a lost connection opened again (or not).
bool OnlyNotes(const std::string& errors);
// `errors` with each note of a command's time ("Time: 12.345 ms") as the word "Time".
std::string WithTimesAsWords(const std::string& errors);

// The seven lines of an error report: its frame tagged with the line that reported it, the code in
// lower-case hex, the code's meaning, the source and the description.
std::string Report(int lineTag, const std::string& code, const std::string& meaning,
                   const std::string& source = "(null)", const std::string& description = "(null)");

}  // namespace ql::testsupport
