#pragma once
// Rows exported in every file format (csv, tsv, json) and read back by Python's own csv and json
// modules: each value must come back exactly as expected.

#include <string>
#include <vector>

#include "support/program_run.h"

namespace ql::testsupport {

// One column of the exported row: the SQL expression that makes the value, and the value expected
// back, written as JSON ("12345678901234567890.125", "\"a,b\"", "null", "true", "\"\\udcff\"" for
// the byte 0xFF that is not UTF-8). A number must read back with the same digits' value from every
// format; a string with the same characters; NULL as an empty csv field, \N in tsv, null in json.
struct ExportedValue {
  std::string expression;
  std::string json;
};

// Where the values come from: the connection, commands run first (each run of the program, so a
// memory database is set up each time), and the FROM clause (empty for none) the expressions read.
struct ExportSource {
  std::string connection;
  std::vector<std::string> setup;
  std::string from;
};

// Runs queryloom once per format: a statement selecting every value (each named c2, c3, ... but
// for the first, named by `firstName`) twice, printed through "Rows 1" and "Rows all", so that the
// second part must continue the file the first began. What Python found wrong, one line each;
// empty when every value came back. `options` gives the environment and working folder.
std::string ExportMismatches(const ExportSource& source, const std::string& firstName,
                             const std::vector<ExportedValue>& values, ProgramOptions options = {});

// True when the Python interpreter the check needs is installed.
bool CanReadBackExports();

}  // namespace ql::testsupport
