#pragma once
// A value read from a database, tagged with the VARTYPE code of OLE Automation so that the record
// display can format it by type. Texts are UTF-8 bytes.
//
// Exact numbers stay exact: integers of every width up to 64 bits, signed and unsigned, keep their
// own type; currency is a count of ten-thousandths; a decimal keeps its digits as text, of any
// length and scale, so a NUMERIC/DECIMAL of any precision is held without loss. A provider that
// reads a value it cannot hold in its type (NaN, an infinity, a date the calendar form cannot show)
// keeps it as the text the database gave.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "access/ole_date.h"
#include "access/result_code.h"

namespace ql::access {

using VarType = std::uint16_t;

inline constexpr VarType VT_EMPTY = 0;
inline constexpr VarType VT_NULL = 1;
inline constexpr VarType VT_I2 = 2;
inline constexpr VarType VT_I4 = 3;
inline constexpr VarType VT_R4 = 4;
inline constexpr VarType VT_R8 = 5;
inline constexpr VarType VT_CY = 6;
inline constexpr VarType VT_DATE = 7;
inline constexpr VarType VT_BSTR = 8;
inline constexpr VarType VT_ERROR = 10;
inline constexpr VarType VT_BOOL = 11;
inline constexpr VarType VT_DECIMAL = 14;
inline constexpr VarType VT_I1 = 16;
inline constexpr VarType VT_UI1 = 17;
inline constexpr VarType VT_UI2 = 18;
inline constexpr VarType VT_UI4 = 19;
inline constexpr VarType VT_I8 = 20;
inline constexpr VarType VT_UI8 = 21;
inline constexpr VarType VT_ARRAY = 0x2000;
inline constexpr VarType VT_BYREF = 0x4000;
inline constexpr VarType VT_RESERVED = 0x8000;
inline constexpr VarType VT_ILLEGAL = 0xFFFF;

// Booleans in variant form: true is -1.
inline constexpr std::int16_t VARIANT_TRUE = -1;
inline constexpr std::int16_t VARIANT_FALSE = 0;

class Variant {
 public:
  Variant() = default;  // VT_EMPTY

  static Variant Null();
  // The value that stands for an optional argument not given: VT_ERROR holding kParamNotFound.
  static Variant Missing();
  static Variant I1(std::int8_t value);
  static Variant I2(std::int16_t value);
  static Variant I4(std::int32_t value);
  static Variant I8(std::int64_t value);
  static Variant UI8(std::uint64_t value);
  static Variant R4(float value);
  static Variant R8(double value);
  // Currency: a 64-bit integer counting ten-thousandths.
  static Variant Currency(std::int64_t tenThousandths);
  // Currency from exact decimal digits ("-12.5", "1234.5678", "7.50000"): nothing when the text is
  // not a plain decimal, has a non-zero digit beyond the fourth decimal, or lies outside the range
  // of currency. The caller then keeps the digits as a decimal or a text instead.
  static std::optional<Variant> CurrencyFromDigits(std::string_view digits);
  // An OLE Automation date: days since 30 December 1899, time of day as the fraction.
  static Variant Date(double oleDate);
  // A date made from its calendar fields (a date text as read), which it keeps beside the number so
  // that showing it needs no second split of the number: CalendarFields gives them back, the fields
  // SplitOleDate(oleDate) gives. `fields` are those MakeOleDate took to make `oleDate`.
  static Variant Date(double oleDate, const CalendarTime& fields);
  static Variant Bool(std::int16_t raw);  // raw 16-bit value; VARIANT_TRUE or VARIANT_FALSE as a rule
  static Variant Text(std::string_view utf8);
  // An exact decimal, kept as its canonical digits: "+007.50" becomes "7.50", the scale is kept.
  // There is no limit on the number of digits. A text that is not a plain decimal number is kept
  // as given, and ToDouble and the record display refuse it; providers store such a text as VT_BSTR.
  static Variant Decimal(std::string_view digits);
  // A byte array: VT_ARRAY | VT_UI1.
  static Variant Bytes(std::string_view bytes);
  // Makes this variant the text (VT_BSTR) or byte array `bytes` in place, keeping the room its
  // text already has: a variant that is read into again and again allocates only when a value
  // outgrows every one before it.
  void AssignText(std::string_view utf8);
  void AssignBytes(std::string_view bytes);
  // Makes this variant, in place and keeping the room of its text, a value held in its integer (the
  // types OfInteger takes) or its real (R4, R8, DATE), or one that carries only its type.
  void AssignNumber(VarType type, std::int64_t integer, double real = 0) noexcept {
    type_ = type;
    integer_ = integer;
    real_ = real;
    text_.clear();
  }
  // Date(oleDate, fields) in place.
  void AssignDate(double oleDate, const CalendarTime& fields) noexcept {
    AssignNumber(VT_DATE, kFieldsKept | static_cast<std::int64_t>(PackCalendarTime(fields)), oleDate);
  }
  // Values of types the layer does not produce itself (VT_UI1, VT_UI2, VT_UI4, VT_ERROR...), which
  // the record display still shows: one that carries only a type code, and one of an integer-held
  // type (integers, BOOL, CY, ERROR) with its value.
  static Variant OfType(VarType type);
  static Variant OfInteger(VarType type, std::int64_t value);

  VarType Type() const noexcept { return type_; }
  bool IsMissing() const noexcept { return type_ == VT_ERROR && integer_ == kParamNotFound; }

  // Accessors for the value of its own type; the caller checks Type() first.
  // I1, I2, I4, I8, UI1, UI2, UI4, BOOL, CY, ERROR. A UI8 above the largest int64 comes out
  // wrapped: read it with Unsigned().
  std::int64_t Integer() const noexcept { return integer_; }
  // UI1, UI2, UI4, UI8: the value as the unsigned number it is.
  std::uint64_t Unsigned() const noexcept { return static_cast<std::uint64_t>(integer_); }
  double Real() const noexcept { return real_; }  // R4 (widened), R8, DATE
  // A DATE's calendar fields, when it was made from them (Date(oleDate, fields)).
  std::optional<CalendarTime> CalendarFields() const noexcept {
    if (type_ != VT_DATE || (integer_ & kFieldsKept) == 0) return std::nullopt;
    return UnpackCalendarTime(static_cast<std::uint64_t>(integer_));
  }
  const std::string& Bytes() const noexcept { return text_; }  // BSTR, DECIMAL digits, byte array

  // The value as text in the C locale: integers (signed and unsigned) and decimals as their digits, floating point in
  // its shortest exact form, dates as "2003-10-01" or "2003-10-01 14:05:09", booleans as "True" or
  // "False", VT_EMPTY as "". Throws DataAccessError with kTypeMismatch for a value that has no text
  // form (NULL, errors, byte arrays, the types only carried) and kOutOfRange for a date outside
  // the years 100 to 9999.
  std::string ToText() const;
  // A number as a double: a VT_DECIMAL's digits read exactly (correctly rounded, C locale), a
  // VT_BSTR read as a number, VT_EMPTY as 0. Throws DataAccessError (kTypeMismatch) otherwise.
  double ToDouble() const;

 private:
  // A DATE keeps its calendar fields in its integer, which no date uses otherwise: packed
  // (PackCalendarTime), with this mark above them.
  static constexpr std::int64_t kFieldsKept = std::int64_t{1} << kPackedCalendarTimeBits;

  VarType type_ = VT_EMPTY;
  std::int64_t integer_ = 0;
  double real_ = 0;
  std::string text_;
};

}  // namespace ql::access
