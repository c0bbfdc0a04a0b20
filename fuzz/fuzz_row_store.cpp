// The row store against a simple model: a vector of rows of Variants.
//
// Property: after any sequence of rows begun, cells put (too few, too many, of every kind), rows
// ended or abandoned, and allocations refused by a small byte limit, every completed row reads back,
// cell by cell, through LocateCells and whole (ReadRow) alike, exactly as the model holds it.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "access/core/row_store.h"
#include "access/variant.h"

namespace ql {

namespace {

using ql::access::RowStore;
using ql::access::RowWriter;
using ql::access::Variant;

bool Same(const Variant& a, const Variant& b) {
  if (a.Type() != b.Type() || a.Integer() != b.Integer() || a.Bytes() != b.Bytes()) return false;
  const double x = a.Real();
  const double y = b.Real();
  return std::memcmp(&x, &y, sizeof x) == 0;
}

[[noreturn]] void Fail(const char* what, std::size_t row, std::size_t column) {
  std::fprintf(stderr, "%s: row %zu, column %zu\n", what, row, column);
  std::abort();
}

// Puts one cell of a kind the data chooses and returns the Variant the store must give back.
Variant PutOne(FuzzedDataProvider& data, RowWriter& writer) {
  switch (data.ConsumeIntegralInRange(0, 10)) {
    case 0:
      writer.PutNull();
      return Variant::Null();
    case 1: {
      const auto value = data.ConsumeIntegral<std::int64_t>();
      writer.PutInteger(value);
      const bool fits =
          value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
      return fits ? Variant::I4(static_cast<std::int32_t>(value)) : Variant::I8(value);
    }
    case 2: {
      const auto value = data.ConsumeIntegral<std::int16_t>();
      writer.PutSmallInt(value);
      return Variant::I2(value);
    }
    case 3: {
      const auto value = data.ConsumeIntegral<std::int8_t>();
      writer.PutTinyInt(value);
      return Variant::I1(value);
    }
    case 4: {
      const auto bits = data.ConsumeIntegral<std::uint32_t>();
      float value;
      std::memcpy(&value, &bits, sizeof value);
      writer.PutReal(value);
      return Variant::R4(value);
    }
    case 5: {
      const auto bits = data.ConsumeIntegral<std::uint64_t>();
      double value;
      std::memcpy(&value, &bits, sizeof value);
      writer.PutDouble(value);
      return Variant::R8(value);
    }
    case 6: {
      const std::string digits = data.ConsumeRandomLengthString(40);
      writer.PutDecimal(digits);
      return Variant::Decimal(digits);
    }
    case 7: {
      const bool value = data.ConsumeBool();
      writer.PutBool(value);
      return Variant::Bool(value ? ql::access::VARIANT_TRUE : ql::access::VARIANT_FALSE);
    }
    case 8: {
      const double value = data.ConsumeFloatingPoint<double>();
      writer.PutDate(value);
      return Variant::Date(value);
    }
    case 9: {
      const std::string text = data.ConsumeRandomLengthString(data.ConsumeBool() ? 100 : 100000);
      writer.PutText(text);
      return Variant::Text(text);
    }
    default: {
      const std::string bytes = data.ConsumeRandomLengthString(data.ConsumeBool() ? 100 : 100000);
      writer.PutBinary(bytes);
      return Variant::Bytes(bytes);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const std::size_t columns = data.ConsumeIntegralInRange<std::size_t>(0, 12);
  const std::size_t limit =
      data.ConsumeBool() ? static_cast<std::size_t>(-1) : data.ConsumeIntegralInRange<std::size_t>(0, 1 << 20);
  RowStore store(columns, limit);
  std::vector<std::vector<Variant>> model;
  while (data.remaining_bytes() > 0 && model.size() < 2000) {
    // One byte per row at least, so that a store that refuses every row still ends the loop.
    const bool abandon = data.ConsumeIntegralInRange(0, 9) == 0;
    std::vector<Variant> row;
    try {
      RowWriter writer = store.BeginRow();
      const std::size_t cells = data.ConsumeIntegralInRange<std::size_t>(0, columns + 2);
      for (std::size_t cell = 0; cell < cells; ++cell) row.push_back(PutOne(data, writer));
      if (abandon) {
        store.AbandonRow();
        continue;
      }
      store.EndRow();
    } catch (const std::bad_alloc&) {
      // As the static cursor does when the limit is reached.
      store.AbandonRow();
      continue;
    }
    row.resize(columns, Variant::Null());
    model.push_back(std::move(row));
    if (store.RowCount() != model.size()) Fail("row count", model.size(), 0);
  }
  std::vector<const char*> cells;
  // Read into again for every row, as a cursor reads whole rows.
  std::vector<Variant> values;
  for (std::size_t r = 0; r < model.size(); ++r) {
    store.LocateCells(r, cells);
    if (cells.size() != columns) Fail("cell count", r, cells.size());
    store.ReadRow(r, values);
    if (values.size() != columns) Fail("ReadRow's cell count", r, values.size());
    for (std::size_t c = 0; c < columns; ++c) {
      if (!Same(store.Value(r, c), model[r][c])) Fail("Value differs from the model", r, c);
      if (!Same(RowStore::ReadCell(cells[c]), model[r][c])) Fail("ReadCell differs from the model", r, c);
      if (!Same(values[c], model[r][c])) Fail("ReadRow differs from the model", r, c);
    }
  }
  return 0;
}

}  // namespace ql
