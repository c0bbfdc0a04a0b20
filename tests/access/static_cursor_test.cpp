// The static cursor's fetching, against a provider that counts what it is asked for.

#include "access/core/static_cursor.h"

#include <gtest/gtest.h>

#include "probes/access_probe.h"

namespace ql {

namespace {

using access_probe::Hex;
using access_probe::Raised;

class CountingRows final : public access::ProviderCursor {
 public:
  CountingRows(std::shared_ptr<access::ErrorList> errors, int rows, int failAt, int& fetches, bool& released)
      : errors_(std::move(errors)), rows_(rows), failAt_(failAt), fetches_(fetches), released_(released) {}
  ~CountingRows() override { released_ = true; }

  const std::vector<std::string>& ColumnNames() const override { return names_; }

  bool FetchRow(access::RowWriter& row) override {
    ++fetches_;
    if (next_ == failAt_)
      errors_->Raise(access::kProviderFailed, "Fake", "row " + std::to_string(next_) + " is broken");
    if (next_ > rows_) return false;
    row.PutInteger(next_++);
    return true;
  }

 private:
  std::shared_ptr<access::ErrorList> errors_;
  std::vector<std::string> names_{"n"};
  int rows_;
  int failAt_;
  int next_ = 1;
  int& fetches_;
  bool& released_;
};

struct Fixture {
  // A cursor over rows 1..rows whose row `failAt` cannot be fetched (0: none fails).
  std::shared_ptr<access::StaticCursor> Open(int rows, int failAt = 0,
                                             std::size_t byteLimit = access::StaticCursor::DefaultByteLimit(),
                                             std::uint64_t offsetLimit = access::BlockArena::kMaxOffset) {
    return std::make_shared<access::StaticCursor>(
        nullptr, errors, std::make_unique<CountingRows>(errors, rows, failAt, fetches, released), byteLimit,
        offsetLimit);
  }
  // The current row's value, read alone and with its row, which must agree.
  std::string Current(access::StaticCursor& cursor) {
    const std::span<const access::Variant> row = cursor.Row();
    const std::string value = access_probe::Describe(cursor.Value(0));
    EXPECT_EQ(access_probe::Describe(row[0]), value) << "the row read whole";
    return value;
  }

  std::shared_ptr<access::ErrorList> errors = std::make_shared<access::ErrorList>();
  int fetches = 0;
  bool released = false;
};

TEST(StaticCursor, FetchesRowsOnlyAsNavigationReachesThem) {
  Fixture f;
  auto cursor = f.Open(1000);
  EXPECT_EQ(f.fetches, 1) << "opening reads the first row only";
  cursor->MoveNext();
  cursor->MoveNext();
  EXPECT_EQ(f.fetches, 3);
  EXPECT_EQ(f.Current(*cursor), "I4:3");
  cursor->MoveFirst();
  cursor->MoveNext();
  EXPECT_EQ(f.fetches, 3) << "rows held are not fetched again";
  EXPECT_EQ(f.Current(*cursor), "I4:2");
  EXPECT_FALSE(f.released);
  EXPECT_EQ(cursor->RecordCount(), 1000);
  EXPECT_EQ(f.fetches, 1001) << "the last fetch finds the end";
  EXPECT_TRUE(f.released) << "the provider's cursor goes once every row is held";
  EXPECT_EQ(f.Current(*cursor), "I4:2") << "counting does not move";
}

TEST(StaticCursor, FollowsTheMoveTable) {
  Fixture f;
  auto empty = f.Open(0);
  EXPECT_TRUE(empty->Bof() && empty->Eof());
  EXPECT_EQ(Raised([&] { empty->MoveFirst(); }), Hex(access::kNoCurrentRecord));
  EXPECT_EQ(Raised([&] { empty->MoveNext(); }), Hex(access::kNoCurrentRecord));
  EXPECT_EQ(Raised([&] { empty->Value(0); }), Hex(access::kNoCurrentRecord));
  EXPECT_EQ(Raised([&] { empty->Row(); }), Hex(access::kNoCurrentRecord));

  auto two = f.Open(2);
  EXPECT_FALSE(two->Bof() || two->Eof());
  two->MoveNext();
  two->MoveNext();
  EXPECT_TRUE(two->Eof());
  EXPECT_FALSE(two->Bof());
  EXPECT_EQ(Raised([&] { two->MoveNext(); }), Hex(access::kNoCurrentRecord));
  EXPECT_EQ(Raised([&] { two->MoveFirst(); }), "none");
  EXPECT_EQ(f.Current(*two), "I4:1");

  two->Close();
  EXPECT_FALSE(two->IsOpen());
  for (auto call : {+[](access::StaticCursor& c) { c.Bof(); }, +[](access::StaticCursor& c) { c.MoveFirst(); },
                    +[](access::StaticCursor& c) { c.RecordCount(); }, +[](access::StaticCursor& c) { c.Value(0); },
                    +[](access::StaticCursor& c) { c.Row(); }}) {
    EXPECT_EQ(Raised([&] { call(*two); }), Hex(access::kObjectClosed));
  }
}

TEST(StaticCursor, AFailedFetchIsRaisedByTheCallThatNeededItAndAgainLater) {
  Fixture f;
  auto cursor = f.Open(10, 3);
  cursor->MoveNext();
  EXPECT_EQ(Raised([&] { cursor->MoveNext(); }), Hex(access::kProviderFailed));
  EXPECT_EQ(f.Current(*cursor), "I4:2") << "the position stays";
  EXPECT_TRUE(f.released);
  ASSERT_EQ(f.errors->Records().size(), 1u);
  EXPECT_EQ(f.errors->Records()[0].description, "row 3 is broken");
  f.errors->Clear();
  EXPECT_EQ(Raised([&] { cursor->RecordCount(); }), Hex(access::kProviderFailed));
  EXPECT_EQ(f.errors->Records().size(), 1u) << "raised again with its records";
  cursor->MoveFirst();
  EXPECT_EQ(f.Current(*cursor), "I4:1");
}

TEST(StaticCursor, AResultLargerThanItsMemoryOrItsAddressesReachFailsWithOutOfMemory) {
  struct Case {
    std::size_t byteLimit;
    std::uint64_t offsetLimit;  // where the 4 GiB a row address reaches ends, lowered
    std::string description;
  };
  const Case cases[] = {
      {4 << 20, access::BlockArena::kMaxOffset, "There is not enough memory to hold the rows of this result."},
      {access::StaticCursor::DefaultByteLimit(), 1 << 20,
       "The rows of this result cannot be held: a row would start past the 4 GiB of its block that a row "
       "address reaches."},
  };
  for (const Case& c : cases) {
    Fixture f;
    auto cursor = f.Open(10'000'000, 0, c.byteLimit, c.offsetLimit);
    EXPECT_EQ(access_probe::Raised([&] { cursor->RecordCount(); }), Hex(access::kOutOfMemory));
    ASSERT_EQ(f.errors->Records().size(), 1u);
    EXPECT_EQ(f.errors->Records()[0].description, c.description);
    EXPECT_EQ(f.Current(*cursor), "I4:1") << "the rows held stay readable";
    EXPECT_LT(cursor->FetchedRows(), 10'000'000u);
    EXPECT_EQ(Raised([&] { cursor->MoveNext(); }), "none") << "the rows held stay readable";
  }
}

TEST(StaticCursor, AFailureOnTheFirstRowFailsTheOpen) {
  Fixture f;
  EXPECT_EQ(Raised([&] { f.Open(5, 1); }), Hex(access::kProviderFailed));
}

TEST(StaticCursor, AStreamedCursorHoldsOneRowAtATimeAndCannotGoBack) {
  Fixture fixture;
  auto cursor = fixture.Open(100'000);
  cursor->Stream();
  std::int64_t sum = 0;
  std::size_t mostHeld = 0;
  for (; !cursor->Eof(); cursor->MoveNext()) {
    sum += std::stoll(fixture.Current(*cursor).substr(std::string_view("I4:").size()));
    mostHeld = std::max(mostHeld, cursor->HeldRows());
  }
  EXPECT_EQ(sum, std::int64_t{100'000} * 100'001 / 2) << "every row read once, in order";
  EXPECT_EQ(mostHeld, 1u);
  EXPECT_EQ(cursor->RecordCount(), 100'000);
  EXPECT_EQ(Raised([&] { cursor->MoveFirst(); }), Hex(access::kNotSupported));
  EXPECT_EQ(Raised([&] { cursor->MoveNext(); }), Hex(access::kNoCurrentRecord)) << "at the end, as any cursor";
}

}  // namespace

}  // namespace ql
