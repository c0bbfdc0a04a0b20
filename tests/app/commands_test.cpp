// Every command of the program, run through the built binary on a pipe: usage texts, the roads
// without an open database, the help listing, the demonstration, and how the program ends.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "access/data_access.h"
#include "program_script.h"
#include "support/run_program.h"
#include "support/temporary_directory.h"
#include "support/transcript.h"

namespace ql {

namespace {

using apptest::kNotice;
using apptest::Transcript;

const std::string kHelp =
    "ABOUT : Copy right infomation\n"
    "CLOSE : Close database\n"
    "CLS : Clear screen\n"
    "COLUMNS : Show the columns of a table: Columns table\n"
    "COUNT : Get records count in current recordset\n"
    "DB : List databases\n"
    "DEMO : Demo how to use this tools\n"
    "EXIT : Quit\n"
    "FORMAT : Set the form Rows prints in: Format [table|csv|tsv|json]\n"
    "H : Help\n"
    "INFO : Show what the open connection is\n"
    "MORE : Make the next result of the last SQL command current\n"
    "OPEN : Open database by connection string\n"
    "Q : Quit\n"
    "QUIT : Quit\n"
    "RECORD : Display current record in current recordset\n"
    "ROWS : Show rows from current record as a table: Rows [count|all]\n"
    "SQL : Execute a SQL command\n"
    "T : Move to next record and display it\n"
    "TABLE : Show all tables in current db\n"
    "TIMING : Show each command's time: Timing [on|off]\n"
    "VER : Get MDAC Version\n";

const std::string kSeparator(79, '-');

const std::string kDemo =
    "-open \"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=xxx.mdb;\"\n-table\n"
    "Account [TABLE]\n"
    "MSysAccessObjects [ACCESS TABLE]\n"
    "MSysAccessXML [ACCESS TABLE]\n"
    "MSysACEs [SYSTEM TABLE]\n"
    "MSysObjects [SYSTEM TABLE]\n"
    "MSysQueries [SYSTEM TABLE]\n"
    "MSysRelationships [SYSTEM TABLE]\n"
    "-sql \"select * from account\"\n"
    "-record\n"
    "ID              1\n"
    "Account         \"qltest@brightpost.example\"\n"
    "User            <NULL>\n"
    "Password        \"583920\"\n"
    "SetupDate       2003/10/1 0:0:0\n"
    "pop3            \"pop.brightpost.example\"\n"
    "smtp            \"smtp.brightpost.example\"\n"
    "Type            0\n" +
    kSeparator + "\n" +
    "-t\n"
    "ID              2\n"
    "Account         \"qltest@harborline.example\"\n"
    "User            <NULL>\n"
    "Password        \"583920\"\n"
    "SetupDate       2003/10/1 0:0:0\n"
    "pop3            \"pop3.harborline.example\"\n"
    "smtp            \"mail.harborline.example\"\n"
    "Type            0\n" +
    kSeparator + "\n" +
    "-close\n"
    "==== connection strings ====\n"
    "SQL Server\n"
    "Provider=SQLOLEDB;Data Source=(local);Initial Catalog=Master;User Id=sa;Password=kqz;\n"
    "Provider=SQLOLEDB;Data Source=(local);Integrated Security=SSPI;\n";

TEST(CommandsTest, ScriptsGiveTheirTranscripts) {
  const std::string version = "MDAC Version: " + access::ComponentVersion() + "\n";
  const std::string openFirst = "Open table first!\n";
  struct Case {
    std::string script;
    std::string transcript;  // everything before the closing lines
  };
  const Case cases[] = {
      // Only the prompt before the first command; the end of input ends the program as q does.
      {"", "-"},
      {"q\nabout\n", "-"},
      {"x\n", "-"},
      {"quit\nabout\n", "-"},
      {"Exit now\nabout\n", "-"},
      {"about", "-" + kNotice + "-"},  // a last line without its line end still runs
      // Usage texts.
      {"open\n", "-OPEN connection string\n-"},
      {"SQL\n", "-SQL sql command\n-"},
      // Without an open database.
      {"record\n", "-" + openFirst + "-"},
      {"Record the first\n", "-" + openFirst + "-"},
      {"t\n", "-" + openFirst + "-"},
      {"T 5\n", "-" + openFirst + "-"},
      {"count\n", "-" + openFirst + "0 record(s) in current recordset.\n-"},
      {"count them\n", "-" + openFirst + "0 record(s) in current recordset.\n-"},
      {"table\n", "-" + openFirst + "-"},
      {"table all\n", "-" + openFirst + "-"},
      {"db\n", "-" + openFirst + "-"},
      {"DB list\n", "-" + openFirst + "-"},
      {"close\nclose it\n", "---"},
      {"rows\nRows all\nrows 5\ncolumns t\nmore\ninfo\n",
       "-" + openFirst + "-" + openFirst + "-" + openFirst + "-" + openFirst + "-" + openFirst + "-" + openFirst + "-"},
      // What the new commands take.
      {"rows 0\nrows -1\nrows x\nrows 2x\ncolumns\n",
       "-ROWS [number of rows|all]\n-ROWS [number of rows|all]\n-ROWS [number of rows|all]\n"
       "-ROWS [number of rows|all]\n-COLUMNS table name\n-"},
      {"timing\ntiming\nTiming ON\ntiming off\ntiming now\n",
       "-Timing is on.\n-Timing is off.\n-Timing is on.\n-Timing is off.\n-TIMING [on|off]\n-"},
      // The console's own commands; on a pipe CLS has nothing to clear.
      {"cls\nCLS now\n", "---"},
      {"about\nabout us\n", "-" + kNotice + "-" + kNotice + "-"},
      {"ver\nVer 2\n", "-" + version + "-" + version + "-"},
      {"demo\n", "-" + kDemo + "-"},
      {"Demo again\n", "-" + kDemo + "-"},
      {"h\n", "-" + kHelp + "-"},
      {"help me\n", "-" + kHelp + "-"},
      {"HELP\nq\n", "-" + kHelp + "-"},
      {"h", "-" + kHelp + "-"},
      {"x\nh\n", "-"},  // nothing after a quit command runs
      // Unknown commands: one report a line, the words as the loop was given them, '%' a character.
      {"foo bar\n-open\nq\n",
       "-Unknown command> FOO bar Press 'H' for help\n-Unknown command> - open Press 'H' for help\n-"},
      {"foo '%s'\nq\n", "-Unknown command> FOO %s Press 'H' for help\n-"},
      {"\n   \nfoo\n", "---Unknown command> FOO Press 'H' for help\n-"},
      // Open and SQL texts go on while the mark they start with is open: one prompt, one run.
      {"open \"Data Source=:memory:\"\nsql \"select 1 as a,\n2 as b\"\nrecord\n",
       "---a               1\nb               2\n" + kSeparator + "\n-"},
      {"open \"Data Source=:memory:\"\nsql \"select 'a' as \"one\",\n 'b''c' as t,\n\n  \"x\" as x2\n"
       " from (select 1 as \"x\")\"\nrecord\n",
       "---one             \"a\"\nt               \"b'c\"\nx2              1\n" + kSeparator + "\n-"},
      {"open \"Data Source=sample.db;\nMode=Read\"\nsql 'delete from Account'\n",
       "--" +
           testsupport::Report(442, "80040e09", "IDispatch error #3081", "SQLite",
                               "attempt to write a readonly database") +
           "-"},
      // The input ends inside the quote: nothing of the statement runs, q included.
      {"open \"Data Source=:memory:\"\nsql \"delete from t\nq\n",
       "--Statement not run: the input ended before its closing \".\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Transcript(c.script), c.transcript) << c.script;
  }
}

// The demonstration's rows are those of the sample database.
TEST(CommandsTest, DemonstrationReplaysOnTheSampleDatabase) {
  // The two rows after "-record" and "-t"; piped, each typed line leaves its bare prompt. (Built
  // by appending: GCC 12 at -O3 reports overlaps that cannot happen in string::replace.)
  const std::size_t first = kDemo.find("-record\n") + 8;
  const std::size_t next = kDemo.find("-t\n", first);
  const std::size_t close = kDemo.find("-close\n", next);
  std::string expected = "---";
  expected.append(kDemo, first, next - first).append("-").append(kDemo, next + 3, close - next - 3).append("-");
  EXPECT_EQ(Transcript("open \"Data Source=sample.db\"\nsql \"select * from account\"\nrecord\nt\n"), expected);
}

// On a pipe the notes go to standard error, each after what the command printed; standard output
// holds the transcript it would hold without them.
TEST(CommandsTest, NotesGoToStandardErrorAndLeaveTheTranscriptAlone) {
  const testsupport::ProgramRun run = apptest::RunScript(
      "open \"Data Source=sample.db\"\ntiming on\nsql \"update Account set Type = Type\"\n"
      "sql \"select ID, Account, User from Account where ID < 3\"\nRows\nt\nColumns MailProvider\nmore\ntiming\n"
      "sql \"delete from Account where ID > 100\"\n");
  EXPECT_EQ(testsupport::Transcript(run),
            "--Timing is on.\n---"
            "ID | Account                   | User\n"
            "---+---------------------------+-------\n"
            " 1 | qltest@brightpost.example | <NULL>\n"
            " 2 | qltest@harborline.example | <NULL>\n"
            "(2 rows)\n--"
            "Name       | Type          | Size | Nullable | Default\n"
            "-----------+---------------+------+----------+--------\n"
            "Name       | TEXT          |      | YES      |\n"
            "Pop3Port   | SMALLINT      |      | NO       |\n"
            "SmtpPort   | SMALLINT      |      | NO       |\n"
            "UsesTls    | BOOLEAN       |      | NO       |\n"
            "MonthlyFee | DECIMAL(6, 2) |      | YES      |\n"
            "-No more results.\n-Timing is off.\n--");
  // A time for each of the six commands that reached the database, none for the others.
  EXPECT_EQ(testsupport::WithTimesAsWords(run.errors),
            "5 record(s) affected.\nTime\nTime\nTime\nTime\nTime\nTime\n0 record(s) affected.\n");
}

// unixODBC is loaded when an ODBC connection is first opened. Where it cannot be loaded (here a
// broken copy found first), the open says why, the version leaves it out, and SQLite still works.
TEST(CommandsTest, WithoutALoadableDriverManagerAnOdbcOpenSaysWhy) {
  testsupport::TemporaryDirectory libraries;
  std::ofstream(libraries.File("libodbc.so.2")) << "not a library";
  testsupport::ProgramOptions options;
  options.environment["LD_LIBRARY_PATH"] = libraries.Path().string();
  const testsupport::ProgramRun run = testsupport::RunProgram(
      "open \"Driver={PostgreSQL Unicode};Server=127.0.0.1\"\nver\nopen \"Data Source=:memory:\"\n"
      "sql \"select 1 as one\"\nrecord\n",
      options);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.output.find("The ODBC driver manager could not be loaded: "), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("libodbc.so.2"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("MDAC Version: 1.0 (SQLite "), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("unixODBC"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("-one             1\n"), std::string::npos) << run.output;
}

}  // namespace

}  // namespace ql
