#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/code_meaning.h"
#include "tests/db/fake_objects.h"
#include "tests/db/session.h"

namespace ql {

namespace {

using access::DataAccessError;
using access::ToResultCode;
using dbtest::Report;

TEST(CodeMeaning, GenericCodesHaveTheProgramsOwnOneLineMeaning) {
  const access::ResultCode generic[] = {access::kNotImplemented,  access::kNoInterface,   access::kAbsentObject,
                                        access::kProviderFailed,  access::kUnexpected,    access::kAccessDenied,
                                        access::kOutOfMemory,     access::kInvalidArgument, access::kTypeMismatch};
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
  struct Case {
    std::uint32_t code;
    std::string meaning;
  };
  const std::vector<Case> cases = {
      {0x80040E37, "IDispatch error #3127"},
      {0x80040E14, "IDispatch error #3092"},
      {0x80040201, "IDispatch error #1"},
      {0x8004FFFF, "IDispatch error #65023"},
      {0x80040200, "Unknown error 0x80040200"},
      {0x800401FF, "Unknown error 0x800401FF"},
      {0x80050000, "Unknown error 0x80050000"},
      {0x800A0E78, "Unknown error 0x800A0E78"},
      {0x800A0CB3, "Unknown error 0x800A0CB3"},
      {0x00040E37, "Unknown error 0x40E37"},
      {0x00000001, "Unknown error 0x1"},
      {0x00000000, "Unknown error 0x0"},
      {0xFFFFFFFF, "Unknown error 0xFFFFFFFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(db::CodeMeaning(ToResultCode(c.code)), c.meaning) << std::hex << c.code;
  }
}

class ErrorReport : public ::testing::Test {
 protected:
  fake::Objects objects;
  dbtest::Session session{objects};
};

TEST_F(ErrorReport, PrintsSevenFramedLines) {
  session.database.ReportComError(DataAccessError(access::kStatementError, "SQLite", "near \"selec\": syntax error"), 442);
  EXPECT_EQ(session.Output(),
            "--------------- Error @442 ---------------\n"
            "> Code = 80040e14\n"
            "> Code meaning = IDispatch error #3092\n"
            "> Source = SQLite\n"
            "> Description = near \"selec\": syntax error\n"
            "--------------- Error @442 ---------------\n");
}

TEST_F(ErrorReport, AbsentTextsPrintAsNull) {
  session.database.ReportComError(DataAccessError(access::kAbsentObject), 101);
  EXPECT_EQ(session.Output(), Report(101, "80004003", "There is no object to act on.", "(null)", "(null)"));
}

// The meaning, source and description are printed as they are: "#" and "%" are characters.
TEST_F(ErrorReport, TextsArePrintedAsTheyAre) {
  session.database.ReportComError(DataAccessError(access::kNoSuchTable, "a##b", "100% #0cred"), 238);
  EXPECT_EQ(session.Output(), Report(238, "80040e37", "IDispatch error #3127", "a##b", "100% #0cred"));
}

TEST(ErrorReportOnATerminal, TheMeaningIsWholeAndControlBytesAreShown) {
  fake::Objects objects;
  dbtest::Session session(objects, /*colour=*/true);
  session.database.ReportComError(
      DataAccessError(access::kNoSuchTable, "SQLite", "no such table: \x1b[2Jt"), 442);
  EXPECT_EQ(session.Output(),
            "--------------- Error @442 ---------------\n"
            "> Code = 80040e37\n"
            "> Code meaning = IDispatch error #3127\n"
            "> Source = SQLite\n"
            "> Description = no such table: \\x1b[2Jt\n"
            "--------------- Error @442 ---------------\n");
}

class AdoErrors : public ErrorReport {
 protected:
  void SetUp() override {
    session.Run("open x");
    objects.LastConnection()->errors = {{access::kStatementError, "first problem"},
                                          {access::kProviderFailed, "second problem"}};
  }
  const std::string countReport =
      Report(203, "800a0e78", "Unknown error 0x800A0E78", "Fake", "closed") + "0 record(s) in current recordset.\n";
};

TEST_F(AdoErrors, EachEntryEndsItsLineBeforeTheReport) {
  EXPECT_EQ(session.Run("count"),
            "\t Error number: 80040e14\tfirst problem\n\t Error number: 80004005\tsecond problem\n" + countReport);
  // One that ends in a line end of its own gets no second one; a '#' is a character.
  objects.LastConnection()->errors = {{access::kStatementError, "line\n"}, {access::kStatementError, "C#ab"}};
  EXPECT_EQ(session.Run("count"),
            "\t Error number: 80040e14\tline\n\t Error number: 80040e14\tC#ab\n" + countReport);
}

TEST_F(AdoErrors, AnEmptyCollectionListsNothing) {
  objects.LastConnection()->errors.clear();
  EXPECT_EQ(session.Run("count"), countReport);
}

TEST_F(AdoErrors, AListThatCannotBeReadEndsWhereItFailedAndTheReportFollows) {
  const DataAccessError failure(access::kProviderFailed, "Fake", "gone");
  struct Case {
    std::string call;
    int occurrence;
    std::string listed;
  };
  const std::vector<Case> cases = {
      {"Connection.Errors", 1, ""},
      {"Errors.Count", 1, ""},
      {"Errors.Item", 1, ""},
      {"Error.Description", 2, "\t Error number: 80040e14\tfirst problem\n"},
      {"Error.Number", 2, "\t Error number: 80040e14\tfirst problem\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    objects.calls.FailAt(c.call, c.occurrence, failure);
    EXPECT_EQ(session.Run("count"), c.listed + countReport);
    objects.calls = fake::Calls();
  }
}

TEST_F(AdoErrors, NoConnectionListsNothing) {
  session.database.ReportAdoErrors(nullptr);
  EXPECT_EQ(session.Output(), "");
}

}  // namespace

}  // namespace ql
