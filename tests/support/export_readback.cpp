#include "support/export_readback.h"

#include <unistd.h>

#include <fstream>

#include "support/run_program.h"
#include "support/temporary_directory.h"

namespace ql::testsupport {

namespace {

constexpr const char* kPython = "/usr/bin/python3";

// argv: the folder holding expected.json and out.csv, out.tsv, out.json. Files are read as UTF-8
// with surrogateescape, so that a byte that is not UTF-8 reads as the lone surrogate the json
// format writes for it.
constexpr const char* kReadBack = R"PY(
import csv, decimal, io, json, sys
folder = sys.argv[1]
expected = json.load(open(folder + "/expected.json"))
names = [name for name, _ in expected]
wanted = [json.loads(value, parse_float=decimal.Decimal) for _, value in expected]
problems = []

def read(name):
    return open(folder + "/" + name, encoding="utf-8", errors="surrogateescape", newline="").read()

def same(got, want, where):
    if want is None or isinstance(want, (bool, str)):
        ok = type(got) is type(want) and got == want
    else:
        try:
            ok = not isinstance(got, bool) and decimal.Decimal(str(got)) == decimal.Decimal(want)
        except decimal.InvalidOperation:
            ok = False
    if not ok:
        problems.append("%s: %r, not %r" % (where, got, want))

def as_text(value):
    if value is None: return ""
    if isinstance(value, bool): return "true" if value else "false"
    return value if isinstance(value, str) else str(value)

rows = list(csv.reader(io.StringIO(read("out.csv"))))
if rows[:1] != [names] or len(rows) != 3:
    problems.append("csv: header and rows %r" % rows)
for row in rows[1:]:
    for i, want in enumerate(wanted):
        field = row[i] if i < len(row) else "<missing>"
        same(field, want if isinstance(want, (decimal.Decimal, int)) and not isinstance(want, bool) else as_text(want),
             "csv " + names[i])

lines = read("out.tsv").split("\n")
def untab(field):
    if field == "\\N": return None
    out, i = [], 0
    while i < len(field):
        if field[i] == "\\" and i + 1 < len(field):
            out.append({"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}.get(field[i + 1], "?"))
            i += 2
        else:
            out.append(field[i]); i += 1
    return "".join(out)
if lines[-1] != "" or len(lines) != 4 or [untab(f) for f in lines[0].split("\t")] != names:
    problems.append("tsv: lines %r" % lines)
for line in lines[1:-1]:
    for i, want in enumerate(wanted):
        fields = line.split("\t")
        field = untab(fields[i]) if i < len(fields) else "<missing>"
        if want is None:
            same(field, None, "tsv " + names[i])
        else:
            same(field, want if isinstance(want, (decimal.Decimal, int)) and not isinstance(want, bool) else as_text(want),
                 "tsv " + names[i])

objects = [json.loads(line, parse_float=decimal.Decimal, object_pairs_hook=list)
           for line in read("out.json").split("\n") if line]
if len(objects) != 2:
    problems.append("json: %d objects" % len(objects))
for pairs in objects:
    if [key for key, _ in pairs] != names:
        problems.append("json keys %r" % [key for key, _ in pairs])
        continue
    for (key, got), want in zip(pairs, wanted):
        same(got, want, "json " + key)
print("\n".join(problems))
)PY";

}  // namespace

bool CanReadBackExports() { return ::access(kPython, X_OK) == 0; }

std::string ExportMismatches(const ExportSource& source, const std::string& firstName,
                             const std::vector<ExportedValue>& values, ProgramOptions options) {
  const TemporaryDirectory folder;
  std::string select = "select ";
  std::string expected = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string name = i == 0 ? firstName : "c" + std::to_string(i + 1);
    // The first name is quoted for SQL as an identifier: its double quotes doubled.
    std::string quoted;
    for (char ch : name) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    select += (i > 0 ? ", " : "") + values[i].expression + " as \"" + quoted + "\"";
    std::string jsonName;
    for (char ch : name) jsonName += ch == '"' || ch == '\\' ? std::string("\\") + ch : std::string(1, ch);
    expected += (i > 0 ? ", [\"" : "[\"") + jsonName + "\", \"";
    for (char ch : values[i].json) expected += ch == '"' || ch == '\\' ? std::string("\\") + ch : std::string(1, ch);
    expected += "\"]";
  }
  expected += "]";
  if (!source.from.empty()) select += " from " + source.from;
  std::ofstream(folder.Path() / "expected.json") << expected;
  std::string problems;
  for (const char* format : {"csv", "tsv", "json"}) {
    options.arguments = {"-q", "--format", format, source.connection};
    for (const std::string& command : source.setup) options.arguments.insert(options.arguments.end(), {"-c", command});
    options.arguments.insert(options.arguments.end(),
                             {"-c", "sql " + select + " union all " + select, "-c", "Rows 1", "-c", "Rows all"});
    const ProgramRun run = RunProgram("", options);
    // Standard error may hold the setup's counts of rows changed, never a report.
    if (run.exitCode != 0 || run.errors.find("Error @") != std::string::npos) {
      problems += std::string(format) + ": exit " + std::to_string(run.exitCode) + ", " + run.errors + "\n";
    }
    std::ofstream(folder.Path() / (std::string("out.") + format), std::ios::binary) << run.output;
  }
  ProgramOptions python;
  python.program = kPython;
  python.arguments = {"-c", kReadBack, folder.Path().string()};
  const ProgramRun check = RunProgram("", python);
  problems += check.output.size() > 1 ? check.output : "";
  if (check.exitCode != 0) problems += "python: " + check.errors;
  return problems;
}

}  // namespace ql::testsupport
