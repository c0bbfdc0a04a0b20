#include "probes/access_probe.h"

#include <cstdio>

namespace ql {

namespace access_probe {
namespace {

std::string TypeName(access::VarType type) {
  switch (type) {
    case access::VT_EMPTY:
      return "EMPTY";
    case access::VT_NULL:
      return "NULL";
    case access::VT_I1:
      return "I1";
    case access::VT_I2:
      return "I2";
    case access::VT_I4:
      return "I4";
    case access::VT_I8:
      return "I8";
    case access::VT_UI1:
      return "UI1";
    case access::VT_UI2:
      return "UI2";
    case access::VT_UI4:
      return "UI4";
    case access::VT_UI8:
      return "UI8";
    case access::VT_R4:
      return "R4";
    case access::VT_R8:
      return "R8";
    case access::VT_CY:
      return "CY";
    case access::VT_DATE:
      return "DATE";
    case access::VT_BSTR:
      return "BSTR";
    case access::VT_BOOL:
      return "BOOL";
    case access::VT_DECIMAL:
      return "DECIMAL";
    case access::VT_ERROR:
      return "ERROR";
    case access::VT_ARRAY | access::VT_UI1:
      return "BYTES";
    default:
      return "VT" + std::to_string(type);
  }
}

std::string Cell(const access::Variant& value) {
  if (value.Type() == access::VT_NULL) return "<null>";
  // Built by appending: GCC 12 at -O3 wrongly reports an overlap in "<" + std::string&&.
  if (value.Type() == (access::VT_ARRAY | access::VT_UI1)) {
    return std::string("<").append(std::to_string(value.Bytes().size())).append(" bytes>");
  }
  return value.ToText();
}

}  // namespace

std::string Hex(access::ResultCode code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

access::Ref<access::Connection> Connect(std::string_view connectionString) {
  access::Ref<access::Connection> connection = access::NativeObjects().CreateConnection();
  connection->Open(connectionString, "", "", 0);
  return connection;
}

void Open(access::Recordset& recordset, std::string_view sql, const access::Ref<access::Connection>& connection) {
  recordset.Open(sql, connection, access::CursorType::kStatic, access::LockType::kOptimistic, access::kCmdText);
}

access::Ref<access::Recordset> Query(const access::Ref<access::Connection>& connection, std::string_view sql) {
  access::Ref<access::Recordset> recordset = access::NativeObjects().CreateRecordset();
  Open(*recordset, sql, connection);
  return recordset;
}

access::Ref<access::Recordset> Schema(const access::Ref<access::Connection>& connection, access::SchemaKind kind) {
  return connection->OpenSchema(kind, access::Variant::Missing(), access::Variant::Missing());
}

std::string ErrorsText(const access::Ref<access::Connection>& connection) {
  std::string text;
  access::Ref<access::Errors> errors = connection->GetErrors();
  for (std::int32_t i = 0; i < errors->Count(); ++i) {
    access::Ref<access::Error> error = errors->Item(i);
    text += Hex(error->Number()) + " " + error->Source() + ": " + error->Description() + "\n";
  }
  return text;
}

std::string Describe(const access::Variant& value) { return TypeName(value.Type()) + ":" + Cell(value); }

std::string RestOfRows(access::Recordset& recordset) {
  std::string text;
  access::Ref<access::Fields> fields = recordset.GetFields();
  const std::int32_t count = fields->Count();
  while (!recordset.Eof()) {
    for (std::int32_t i = 0; i < count; ++i) {
      if (i > 0) text += '|';
      text += Cell(fields->Item(i)->Value());
    }
    text += '\n';
    recordset.MoveNext();
  }
  return text;
}

std::string Column(access::Recordset& recordset, const std::string& name) {
  std::string text;
  access::Ref<access::Field> field = recordset.GetFields()->Item(name);
  while (!recordset.Eof()) {
    text += Cell(field->Value()) + "\n";
    recordset.MoveNext();
  }
  return text;
}

}  // namespace access_probe

}  // namespace ql
