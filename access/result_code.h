#pragma once
// Result codes of the data-access layer: 32-bit values in the form of COM's HRESULT, negative on
// failure. The codes and their texts form one table in result_code.cpp.

#include <cstdint>
#include <string_view>

namespace ql::access {

using ResultCode = std::int32_t;

constexpr ResultCode ToResultCode(std::uint32_t bits) { return static_cast<ResultCode>(bits); }

inline constexpr ResultCode kAbsentObject = ToResultCode(0x80004003);    // E_POINTER
inline constexpr ResultCode kProviderFailed = ToResultCode(0x80004005);  // E_FAIL
inline constexpr ResultCode kProviderNotFound = ToResultCode(0x800A0E7A);
inline constexpr ResultCode kObjectClosed = ToResultCode(0x800A0E78);
inline constexpr ResultCode kConnectionUnusable = ToResultCode(0x800A0E7D);
inline constexpr ResultCode kNoCurrentRecord = ToResultCode(0x800A0BCD);
inline constexpr ResultCode kItemNotFound = ToResultCode(0x800A0CC1);
inline constexpr ResultCode kNotSupported = ToResultCode(0x800A0CB3);
inline constexpr ResultCode kStatementError = ToResultCode(0x80040E14);
inline constexpr ResultCode kNoSuchTable = ToResultCode(0x80040E37);
inline constexpr ResultCode kConstraintViolated = ToResultCode(0x80040E2F);
inline constexpr ResultCode kAuthenticationFailed = ToResultCode(0x80040E4D);
inline constexpr ResultCode kPermissionDenied = ToResultCode(0x80040E09);
inline constexpr ResultCode kOutOfRange = ToResultCode(0x80040E57);
inline constexpr ResultCode kTypeMismatch = ToResultCode(0x80020005);   // DISP_E_TYPEMISMATCH
inline constexpr ResultCode kParamNotFound = ToResultCode(0x80020004);  // DISP_E_PARAMNOTFOUND
inline constexpr ResultCode kCancelled = ToResultCode(0x80040E4E);      // DB_E_CANCELED
inline constexpr ResultCode kOutOfMemory = ToResultCode(0x8007000E);    // E_OUTOFMEMORY

// Generic codes that any component may raise; the layer raises some of them too.
inline constexpr ResultCode kNotImplemented = ToResultCode(0x80004001);   // E_NOTIMPL
inline constexpr ResultCode kNoInterface = ToResultCode(0x80004002);      // E_NOINTERFACE
inline constexpr ResultCode kAborted = ToResultCode(0x80004004);          // E_ABORT
inline constexpr ResultCode kUnexpected = ToResultCode(0x8000FFFF);       // E_UNEXPECTED
inline constexpr ResultCode kOverflow = ToResultCode(0x8002000A);         // DISP_E_OVERFLOW
inline constexpr ResultCode kAccessDenied = ToResultCode(0x80070005);     // E_ACCESSDENIED
inline constexpr ResultCode kInvalidHandle = ToResultCode(0x80070006);    // E_HANDLE
inline constexpr ResultCode kInvalidArgument = ToResultCode(0x80070057);  // E_INVALIDARG

// A one-line description of a code the layer raises or a generic code; empty for other codes.
std::string_view DescribeResult(ResultCode code);

// The description of a generic code, the same words as DescribeResult; empty for the codes of the
// layer's own range and for codes not in the table. This is the meaning that any reader of a code
// may give it without knowing which component raised it.
std::string_view GenericMeaning(ResultCode code);

}  // namespace ql::access
