#include "access/core/row_store.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "probes/access_probe.h"

namespace ql {

namespace {

using access_probe::Describe;
using access_probe::Hex;
using access_probe::Raised;

std::string Row(const access::RowStore& store, std::size_t row) {
  std::string text;
  for (std::size_t column = 0; column < store.ColumnCount(); ++column) {
    if (column > 0) text += ' ';
    text += Describe(store.Value(row, column));
  }
  return text;
}

TEST(RowStore, KeepsEveryCellKindWithItsType) {
  access::RowStore store(18);
  access::RowWriter row = store.BeginRow();
  row.PutNull();
  row.PutInteger(-100);
  row.PutInteger(-30000);
  row.PutInteger(2147483647);
  row.PutInteger(-2147483649LL);
  row.PutSmallInt(-5);
  row.PutTinyInt(-1);
  row.PutReal(0.25f);
  row.PutDouble(2.5);
  row.PutDecimal("-12.50");
  row.PutBool(true);
  row.PutDate(37895.0);
  row.PutText("north");
  row.PutUnsigned(9223372036854775807ULL);
  row.PutUnsigned(9223372036854775808ULL);
  row.PutUnsigned(18446744073709551615ULL);
  row.PutCurrency(std::numeric_limits<std::int64_t>::min());
  const access::CalendarTime fields{9999, 12, 31, 23, 59, 59};
  row.PutDate(fields);
  store.EndRow();
  EXPECT_EQ(Row(store, 0),
            "NULL:<null> I4:-100 I4:-30000 I4:2147483647 I8:-2147483649 I2:-5 I1:-1 R4:0.25 R8:2.5 "
            "DECIMAL:-12.50 BOOL:True DATE:2003-10-01 BSTR:north I8:9223372036854775807 "
            "UI8:9223372036854775808 UI8:18446744073709551615 CY:-922337203685477.5808 DATE:9999-12-31 23:59:59");
  EXPECT_EQ(store.Value(0, 17).CalendarFields(), fields) << "a date read from its fields keeps them";
  EXPECT_EQ(store.Value(0, 11).CalendarFields(), std::nullopt);
  // Read again, backwards, into one variant that held a longer text: each value comes out whole,
  // with nothing left of the one before.
  std::vector<const char*> cells;
  store.LocateCells(0, cells);
  access::Variant reused = access::Variant::Text(std::string(100, 'x'));
  for (std::size_t column = store.ColumnCount(); column-- > 0;) {
    access::RowStore::ReadCell(cells[column], reused);
    EXPECT_EQ(Describe(reused), Describe(store.Value(0, column))) << column;
  }
  // Read whole, in one walk, into variants that held other values: the same cells.
  std::vector<access::Variant> values(2, access::Variant::Text(std::string(100, 'x')));
  store.ReadRow(0, values);
  ASSERT_EQ(values.size(), store.ColumnCount());
  for (std::size_t column = 0; column < values.size(); ++column) {
    EXPECT_EQ(Describe(values[column]), Describe(store.Value(0, column))) << column;
  }
}

TEST(RowStore, RowsCrossBlocksAndLargeValuesGetABlockOfTheirOwn) {
  access::RowStore store(3);
  const std::string large(3 << 20, 'x');  // larger than a block
  const std::string binary("\0\1\2", 3);
  for (int i = 0; i < 200000; ++i) {
    access::RowWriter row = store.BeginRow();
    row.PutInteger(i);
    row.PutText(i == 1000 ? std::string_view(large) : std::string_view("row text " + std::to_string(i)));
    row.PutBinary(binary);
    store.EndRow();
  }
  ASSERT_EQ(store.RowCount(), 200000u);
  EXPECT_EQ(Row(store, 0), "I4:0 BSTR:row text 0 BYTES:<3 bytes>");
  EXPECT_EQ(store.Value(1000, 1).Bytes(), large);
  EXPECT_EQ(Row(store, 1001), "I4:1001 BSTR:row text 1001 BYTES:<3 bytes>");
  EXPECT_EQ(Row(store, 199999), "I4:199999 BSTR:row text 199999 BYTES:<3 bytes>");
  EXPECT_EQ(store.Value(5, 2).Bytes(), binary);
}

TEST(RowStore, AnAbandonedRowLeavesNoTraceAndAShortRowIsCompletedWithNulls) {
  access::RowStore store(2);
  access::RowWriter first = store.BeginRow();
  first.PutInteger(1);
  first.PutText("one");
  store.EndRow();

  access::RowWriter failed = store.BeginRow();
  failed.PutInteger(99);
  EXPECT_EQ(store.RowCount(), 1u) << "a row being written does not count";
  store.AbandonRow();

  access::RowWriter shortRow = store.BeginRow();
  shortRow.PutInteger(2);
  store.EndRow();

  access::RowWriter longRow = store.BeginRow();
  longRow.PutInteger(3);
  longRow.PutText("three");
  longRow.PutText("dropped");
  store.EndRow();

  ASSERT_EQ(store.RowCount(), 3u);
  EXPECT_EQ(Row(store, 0), "I4:1 BSTR:one");
  EXPECT_EQ(Row(store, 1), "I4:2 NULL:<null>");
  EXPECT_EQ(Row(store, 2), "I4:3 BSTR:three");
  EXPECT_EQ(Raised([&] { store.Value(3, 0); }), Hex(access::kNoCurrentRecord));
  EXPECT_EQ(Raised([&] { store.Value(0, 2); }), Hex(access::kNoCurrentRecord));
}

}  // namespace

namespace {

TEST(RowStore, RefusesToGrowPastItsLimitsAndKeepsWhatItHolds) {
  struct Case {
    std::size_t byteLimit;
    std::uint64_t offsetLimit;  // the 4 GiB a row address reaches, lowered
    std::size_t fewest, most;   // rows of 1,003 bytes that fit
    bool addressSpace;          // refused as AddressSpaceFull rather than as memory
  };
  const Case cases[] = {
      {2 << 20, access::BlockArena::kMaxOffset, 2000, 2200, false},  // one block
      {8 << 20, 1 << 20, 1000, 1100, true},                          // rows starting in the first MiB
  };
  const std::string text(1000, 't');
  for (const Case& c : cases) {
    access::RowStore store(1, c.byteLimit, c.offsetLimit);
    std::size_t stored = 0;
    bool addressSpace = false;
    try {
      for (;; ++stored) {
        access::RowWriter row = store.BeginRow();
        row.PutText(text);
        store.EndRow();
      }
    } catch (const std::bad_alloc& error) {
      addressSpace = dynamic_cast<const access::AddressSpaceFull*>(&error) != nullptr;
      store.AbandonRow();
    }
    EXPECT_EQ(addressSpace, c.addressSpace);
    EXPECT_GT(stored, c.fewest);
    EXPECT_LT(stored, c.most);
    EXPECT_EQ(store.RowCount(), stored);
    EXPECT_LE(store.ReservedBytes(), (std::size_t{2} << 20) + stored * 2 * sizeof(std::uint64_t));
    EXPECT_EQ(store.Value(stored - 1, 0).Bytes(), text);
    EXPECT_EQ(Raised([&] { store.Value(stored, 0); }), Hex(access::kNoCurrentRecord)) << "the refused row is gone";
  }
}

TEST(BlockArena, PacksABlockAndAnOffsetOf32BitsEachAndRefusesMore) {
  using access::BlockArena;
  EXPECT_EQ(BlockArena::Pack(0, 0), 0u);
  EXPECT_EQ(BlockArena::Pack(3, 5), (std::uint64_t{3} << 32) + 5);
  EXPECT_EQ(BlockArena::Pack(BlockArena::kMaxBlock, BlockArena::kMaxOffset), ~std::uint64_t{0});
  EXPECT_THROW(BlockArena::Pack(BlockArena::kMaxBlock + 1, 0), access::AddressSpaceFull);
  EXPECT_THROW(BlockArena::Pack(0, BlockArena::kMaxOffset + 1), access::AddressSpaceFull) << "4 GiB into a block";
  EXPECT_THROW(BlockArena::Pack(1, 101, 100), access::AddressSpaceFull) << "past a lowered limit";
}

}  // namespace

}  // namespace ql
