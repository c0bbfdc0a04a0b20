// The program's command line and file formats against the PostgreSQL test server over libpq:
// --bail stops at the server's first failure, and every value of the server's kinds reads back
// from csv, tsv and json exactly.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/export_readback.h"
#include "support/run_program.h"
#include "test_servers.h"

namespace ql {

namespace {

using testsupport::ExportedValue;

TEST(ServerScriptsTest, BailEndsAtTheServersFirstFailure) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  struct Case {
    std::vector<std::string> options;
    std::string output;
    int exitCode;
  };
  const Case cases[] = {
      {{"-q", "--format", "csv"}, "n\n1\n", 0},
      {{"-q", "--format", "csv", "--bail"}, "", 1},
  };
  for (const Case& test : cases) {
    testsupport::ProgramOptions options;
    options.arguments = test.options;
    options.arguments.insert(options.arguments.end(), {server->NativeConnectionString(server->password), "-c",
                                                       "sql select 1/0", "-c", "sql select 1 as n", "-c", "Rows all"});
    const auto run = testsupport::RunProgram("", options);
    EXPECT_EQ(run.output, test.output);
    EXPECT_EQ(run.exitCode, test.exitCode);
    EXPECT_NE(run.errors.find("> Description = division by zero"), std::string::npos) << run.errors;
  }
}

// A session whose own server process is ended loses its connection, which the next statement finds:
// a script goes on over a connection opened anew (that statement not run again), unless it stops at
// its first error, and then its status says the link is gone.
TEST(ServerScriptsTest, ALostConnectionIsOpenedAgainOrEndsABailingScriptWithStatusTwo) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  const struct {
    std::vector<std::string> options;
    std::string output;
    int exitCode;
  } cases[] = {
      {{"-q", "--format", "csv"}, "n\n1\n", 0},
      {{"-q", "--format", "csv", "--bail"}, "", 2},
  };
  for (const auto& test : cases) {
    testsupport::ProgramOptions options;
    options.arguments = test.options;
    options.arguments.insert(
        options.arguments.end(),
        {server->NativeConnectionString(server->password), "-c", "sql select pg_terminate_backend(pg_backend_pid())",
         "-c", "sql select 0 as lost", "-c", "sql select 1 as n", "-c", "Rows all"});
    const auto run = testsupport::RunProgram("", options);
    EXPECT_EQ(run.output, test.output) << run.errors;
    EXPECT_EQ(run.exitCode, test.exitCode) << run.errors;
    EXPECT_EQ(run.errors.find("opened again") != std::string::npos, test.exitCode == 0) << run.errors;
  }
}

TEST(ServerScriptsTest, EveryValueReadsBackFromEveryFormat) {
  const TestServer* server = RequireServer("pg");
  if (server == nullptr) return;
  if (!testsupport::CanReadBackExports()) GTEST_SKIP() << "python3 is not installed";
  const std::vector<ExportedValue> values = {
      {"9223372036854775807::bigint", "9223372036854775807"},
      {"(-32768)::smallint", "-32768"},
      {"12345678901234567890.125::numeric", "12345678901234567890.125"},
      {"0.000000000000000000001::numeric(30,21)", "0.000000000000000000001"},
      {"0.1::real", "0.1"},
      {"1e-7::double precision", "1e-07"},
      {"(1.0/3)::double precision", "0.3333333333333333"},
      {"'NaN'::float8", R"("NaN")"},
      {"'-Infinity'::float8", R"("-Infinity")"},
      {"true", "true"},
      {"false", "false"},
      {"date '2024-02-29'", R"("2024-02-29")"},
      {"timestamp '2004-03-02 14:05:09'", R"("2004-03-02T14:05:09")"},
      {"'\\x00ff10fb'::bytea", R"("AP8Q+w==")"},
      {"'a,b \"q\"' || chr(10) || chr(9) || '\\'", R"("a,b \"q\"\n\t\\")"},
      {"' é 字 '", R"(" é 字 ")"},
      {"''", R"("")"},
      {"chr(1)", R"("\u0001")"},
      {"null::text", "null"},
      {"'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'::uuid", R"("a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11")"},
      {"'{\"k\": [1, 2]}'::jsonb", R"("{\"k\": [1, 2]}")"},
  };
  const testsupport::ExportSource source{server->NativeConnectionString(server->password), {}, ""};
  EXPECT_EQ(testsupport::ExportMismatches(source, "id, \"x\"", values), "");
}

}  // namespace

}  // namespace ql
