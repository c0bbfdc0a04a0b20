// The framed report of a failure and the connection's error list before it, from failures of the
// layer over SQLite.

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "db/code_meaning.h"
#include "tests/db/session.h"

namespace ql::dbtest {
namespace {

TEST(CodeMeaning, GenericCodesHaveTheProgramsOwnOneLineMeaning) {
  const access::ResultCode generic[] = {access::kNotImplemented, access::kNoInterface,     access::kAbsentObject,
                                        access::kProviderFailed, access::kUnexpected,      access::kAccessDenied,
                                        access::kOutOfMemory,    access::kInvalidArgument, access::kTypeMismatch};
  for (access::ResultCode code : generic) {
    const std::string meaning = db::CodeMeaning(code);
    SCOPED_TRACE(meaning);
    EXPECT_FALSE(meaning.empty());
    EXPECT_EQ(meaning.find("error 0x"), std::string::npos);
    EXPECT_EQ(meaning.find('#'), std::string::npos);
    EXPECT_EQ(meaning.find_first_of("\r\n"), std::string::npos);
    // One table: the layer describes a generic code in the same words.
    EXPECT_EQ(access::DescribeResult(code), meaning);
  }
  EXPECT_EQ(db::CodeMeaning(access::kAbsentObject), "There is no object to act on.");
}

TEST(CodeMeaning, OtherCodesFallBackToTheirNumber) {
  const struct {
    std::uint32_t code;
    std::string meaning;
  } cases[] = {
      {0x80040E37, "IDispatch error #3127"},    {0x80040201, "IDispatch error #1"},
      {0x8004FFFF, "IDispatch error #65023"},   {0x80040200, "Unknown error 0x80040200"},
      {0x80050000, "Unknown error 0x80050000"}, {0x800A0E78, "Unknown error 0x800A0E78"},
      {0x00040E37, "Unknown error 0x40E37"},    {0x00000000, "Unknown error 0x0"},
      {0xFFFFFFFF, "Unknown error 0xFFFFFFFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(db::CodeMeaning(access::ToResultCode(c.code)), c.meaning) << std::hex << c.code;
}

using ErrorReport = SessionTest;

// Seven framed lines; the meaning, source and description printed as they are ("#" and "%" are
// characters), escaped at a terminal.
TEST_F(ErrorReport, PrintsSevenFramedLinesWithTheTextsAsTheyAre) {
  EXPECT_EQ(session.Run("memory\nsql selec 1\nsql select * from \"100% #0cred\""),
            Report(442, "80040e14", "IDispatch error #3092", "SQLite", "near \"selec\": syntax error") +
                Report(442, "80040e37", "IDispatch error #3127", "SQLite", "no such table: 100% #0cred"));
  Session terminal(objects, /*colour=*/true);
  EXPECT_EQ(terminal.Run("memory\nsql select * from \"\x1b[2Jt\""),
            Report(442, "80040e37", "IDispatch error #3127", "SQLite", "no such table: \\x1b[2Jt"));
}

// Before the report of a failed count or listing: the connection's errors, each ending its line
// (one that ends in a line end of its own gets no second one). A list that cannot be read ends
// where it failed, and the report follows.
TEST_F(ErrorReport, TheConnectionsErrorsComeFirstEachOnItsLine) {
  const std::string countReport =
      LayerReport(203, access::kObjectClosed, "Recordset") + "0 record(s) in current recordset.\n";
  session.Run("memory\nsql create table t (a)");
  // A raised message with a line end of its own: the script of a session has one command a line.
  session.database.ExecuteSql("create trigger refuse before insert on t begin select raise(abort, 'line\n'); end");
  session.Run("sql select 1\nsql insert into t values (1)");
  const std::string listed = "\t Error number: 80040e2f\tline\n";
  EXPECT_EQ(session.Run("count"), listed + countReport);
  objects.FailAt("Connection.Errors", 1, planned);
  EXPECT_EQ(session.Run("count"), countReport);
  session.Run("sql selec");
  EXPECT_EQ(session.Run("count"), "\t Error number: 80040e14\tnear \"selec\": syntax error\n" + countReport);
}

}  // namespace
}  // namespace ql::dbtest
