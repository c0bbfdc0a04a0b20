// Rows in csv, tsv and json read back by Python's own csv and json modules: every value of SQLite's
// kinds comes back exactly, the header once, and nothing after the rows.

#include <gtest/gtest.h>

#include "support/export_readback.h"

namespace ql {

namespace {

using testsupport::ExportedValue;

TEST(ExportTest, EveryValueReadsBackFromEveryFormat) {
  if (!testsupport::CanReadBackExports()) GTEST_SKIP() << "python3 is not installed";
  const testsupport::ExportSource source{
      "Data Source=:memory:",
      {"sql create table v(d decimal(30,3), dt datetime, b boolean, k blob)",
       "sql insert into v values ('-1234.125', '2024-05-06 07:08:09', 1, x'00ff10fb')"},
      "v"};
  const std::vector<ExportedValue> values = {
      {"9223372036854775807", "9223372036854775807"},
      {"-42", "-42"},
      {"0.1", "0.1"},
      {"1e-7", "1e-07"},
      {"1.0/3", "0.3333333333333333"},
      {"'x,y'", R"("x,y")"},
      {R"('say "hi"')", R"("say \"hi\"")"},
      {"'line' || char(10) || 'two' || char(13)", R"("line\ntwo\r")"},
      {R"(char(9) || 'tab\back')", R"("\ttab\\back")"},
      {"' lead'", R"(" lead")"},
      {"'trail '", R"("trail ")"},
      {"''", R"("")"},
      {"'é 字'", R"("é 字")"},
      {"char(1) || char(127)", "\"\\u0001\x7f\""},
      {"cast(x'ff41' as text)", R"("\udcffA")"},
      {"null", "null"},
      {"d", "-1234.125"},
      {"dt", R"("2024-05-06T07:08:09")"},
      {"b", "true"},
      {"k", R"("AP8Q+w==")"},
  };
  EXPECT_EQ(testsupport::ExportMismatches(source, "odd, \"name\"", values), "");
}

}  // namespace

}  // namespace ql
