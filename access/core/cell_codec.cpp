#include "access/core/cell_codec.h"

namespace ql::access {
namespace {

std::uint64_t ReadVarint(const char*& in) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<std::uint8_t>(*in++);
    value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return value;
  }
}

template <class T>
T Load(const char* in) {
  T value;
  std::memcpy(&value, in, sizeof value);
  return value;
}

// Payload bytes of a cell of fixed size; 0 for the sized ones, whose length comes first.
constexpr std::uint8_t kFixedSize[] = {
    /* kCellNull */ 0,     /* kCellInt8As4 */ 1,
    /* kCellInt16As4 */ 2, /* kCellInt32 */ 4,
    /* kCellInt64 */ 8,    /* kCellSmallInt */ 2,
    /* kCellTinyInt */ 1,  /* kCellReal */ 4,
    /* kCellDouble */ 8,   /* kCellDecimal */ 0,
    /* kCellFalse */ 0,    /* kCellTrue */ 0,
    /* kCellDate */ 8,     /* kCellText */ 0,
    /* kCellBinary */ 0,   /* kCellUInt64 */ 8,
    /* kCellCurrency */ 8, /* kCellDateFields */ kDateFieldsPayload,
};

bool IsSized(std::uint8_t tag) { return tag == kCellDecimal || tag == kCellText || tag == kCellBinary; }

// A tag beyond the table is never written; reading it as empty keeps the walk inside the row.
std::size_t FixedSize(std::uint8_t tag) { return tag < sizeof kFixedSize ? kFixedSize[tag] : 0; }

}  // namespace

void EncodeDateFields(char* out, const CalendarTime& fields) {
  const std::uint64_t packed = PackCalendarTime(fields);
  for (std::size_t i = 0; i < kDateFieldsPayload; ++i) out[i] = static_cast<char>(packed >> (8 * i));
}

const char* SkipCell(const char* cell) {
  const auto tag = static_cast<std::uint8_t>(*cell++);
  if (IsSized(tag)) {
    const std::uint64_t size = ReadVarint(cell);
    return cell + size;
  }
  return cell + FixedSize(tag);
}

Variant DecodeCell(const char* cell) {
  Variant value;
  DecodeCell(cell, value);
  return value;
}

const char* DecodeCell(const char* cell, Variant& value) {
  const auto tag = static_cast<std::uint8_t>(*cell++);
  switch (tag) {
    case kCellInt8As4:
      value.AssignNumber(VT_I4, Load<std::int8_t>(cell));
      break;
    case kCellInt16As4:
      value.AssignNumber(VT_I4, Load<std::int16_t>(cell));
      break;
    case kCellInt32:
      value.AssignNumber(VT_I4, Load<std::int32_t>(cell));
      break;
    case kCellInt64:
      value.AssignNumber(VT_I8, Load<std::int64_t>(cell));
      break;
    case kCellUInt64:
      value.AssignNumber(VT_UI8, Load<std::int64_t>(cell));
      break;
    case kCellCurrency:
      value.AssignNumber(VT_CY, Load<std::int64_t>(cell));
      break;
    case kCellSmallInt:
      value.AssignNumber(VT_I2, Load<std::int16_t>(cell));
      break;
    case kCellTinyInt:
      value.AssignNumber(VT_I1, Load<std::int8_t>(cell));
      break;
    case kCellReal:
      value.AssignNumber(VT_R4, 0, Load<float>(cell));
      break;
    case kCellDouble:
      value.AssignNumber(VT_R8, 0, Load<double>(cell));
      break;
    case kCellFalse:
      value.AssignNumber(VT_BOOL, VARIANT_FALSE);
      break;
    case kCellTrue:
      value.AssignNumber(VT_BOOL, VARIANT_TRUE);
      break;
    case kCellDate:
      value.AssignNumber(VT_DATE, 0, Load<double>(cell));
      break;
    case kCellDateFields: {
      std::uint64_t packed = 0;
      for (std::size_t i = 0; i < kDateFieldsPayload; ++i) {
        packed |= std::uint64_t{static_cast<std::uint8_t>(cell[i])} << (8 * i);
      }
      const CalendarTime fields = UnpackCalendarTime(packed);
      // The fields were checked when the cell was written (RowWriter::PutDate).
      value.AssignDate(OleDateOfCalendarTime(fields), fields);
      break;
    }
    case kCellDecimal: {
      const std::uint64_t size = ReadVarint(cell);
      // A copy, not a move, so that the variant's text keeps its room.
      const Variant decimal = Variant::Decimal(std::string_view(cell, size));
      value = decimal;
      return cell + size;
    }
    case kCellText:
    case kCellBinary: {
      const std::uint64_t size = ReadVarint(cell);
      const std::string_view bytes(cell, size);
      if (tag == kCellText) {
        value.AssignText(bytes);
      } else {
        value.AssignBytes(bytes);
      }
      return cell + size;
    }
    default:
      value.AssignNumber(VT_NULL, 0);
      break;
  }
  return cell + FixedSize(tag);
}

}  // namespace ql::access
