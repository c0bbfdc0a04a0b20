// The test double against the layer it stands in for: the same calls on the fake objects and on the
// layer's own objects over SQLite raise the same codes and give the same values.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "probes/access_probe.h"
#include "support/temporary_directory.h"
#include "tests/db/fake_objects.h"

namespace ql {

namespace {

using access::Ref;
using access::Variant;
using access_probe::Describe;
using access_probe::Hex;
using access_probe::Raised;

const std::string kRows = "SELECT id, Name FROM t ORDER BY id";
const std::string kNoRows = "SELECT id FROM t WHERE id < 0";
const std::string kUpdate = "UPDATE t SET Name = Name";

// One side of the comparison: a factory, and a connection string to a database holding t(id, Name)
// with the rows (1, 'a') and (2, 'b').
struct Side {
  access::ObjectFactory& objects;
  std::string connectionString;

  Ref<access::Connection> Connect() {
    Ref<access::Connection> connection = objects.CreateConnection();
    connection->Open(connectionString, "", "", 0);
    return connection;
  }
  Ref<access::Recordset> Query(const Ref<access::Connection>& connection, const std::string& sql) {
    Ref<access::Recordset> recordset = objects.CreateRecordset();
    access_probe::Open(*recordset, sql, connection);
    return recordset;
  }
  Ref<access::Recordset> Rows() { return Query(Connect(), kRows); }
};

std::string StateText(access::Recordset& recordset) { return std::to_string(recordset.State()); }

TEST(FakeObjects, RaiseWhatTheLayerRaisesForTheSameCalls) {
  const testsupport::TemporaryDirectory directory;
  const std::string file = directory.File("twin.db");
  {
    Ref<access::Connection> connection = access_probe::Connect("Data Source=" + file);
    access_probe::Query(connection, "CREATE TABLE t (id INTEGER, Name TEXT)");
    access_probe::Query(connection, "INSERT INTO t VALUES (1, 'a'), (2, 'b')");
  }
  fake::Objects fakes;
  fakes.results[kRows] = {{"id", "Name"}, {{Variant::I4(1), Variant::Text("a")}, {Variant::I4(2), Variant::Text("b")}}};
  fakes.results[kNoRows] = {{"id"}, {}};
  fakes.results[kUpdate] = {};

  const auto missing = Variant::Missing();
  struct Case {
    std::string rule;
    std::function<std::string(Side&)> run;
    std::string expected;
  };
  const Case cases[] = {
      {"a field is found by its name in any case",
       [](Side& side) { return Describe(side.Rows()->GetFields()->Item("NAME")->Value()); }, "BSTR:a"},
      {"a name no column has", [](Side& side) { return Raised([&] { side.Rows()->GetFields()->Item("nothing"); }); },
       Hex(access::kItemNotFound)},
      {"a position past the last column", [](Side& side) { return Raised([&] { side.Rows()->GetFields()->Item(2); }); },
       Hex(access::kItemNotFound)},
      {"a move past EOF",
       [](Side& side) {
         Ref<access::Recordset> rows = side.Rows();
         rows->MoveNext();
         rows->MoveNext();
         return Raised([&] { rows->MoveNext(); }) + " " + Raised([&] { rows->GetFields()->Item(0)->Value(); });
       },
       Hex(access::kNoCurrentRecord) + " " + Hex(access::kNoCurrentRecord)},
      {"an empty result is at BOF and EOF and has no first row",
       [](Side& side) {
         Ref<access::Recordset> rows = side.Query(side.Connect(), kNoRows);
         return std::to_string(rows->Bof()) + std::to_string(rows->Eof()) + " " + Raised([&] { rows->MoveFirst(); });
       },
       "11 " + Hex(access::kNoCurrentRecord)},
      {"a statement without rows leaves the recordset closed",
       [](Side& side) {
         Ref<access::Recordset> rows = side.Query(side.Connect(), kUpdate);
         return StateText(*rows) + " " + Raised([&] { rows->Eof(); });
       },
       "0 " + Hex(access::kObjectClosed)},
      {"a statement that cannot run", [](Side& side) { return Raised([&] { side.Query(side.Connect(), "SELEC 1"); }); },
       Hex(access::kStatementError)},
      {"a source that is not text",
       [](Side& side) {
         Ref<access::Recordset> rows = side.objects.CreateRecordset();
         return Raised([&] {
           rows->Open(kRows, side.Connect(), access::CursorType::kStatic, access::LockType::kOptimistic, 2);
         });
       },
       Hex(access::kNotSupported)},
      {"closing a recordset never opened, or twice",
       [](Side& side) {
         Ref<access::Recordset> never = side.objects.CreateRecordset();
         Ref<access::Recordset> rows = side.Rows();
         rows->Close();
         return Raised([&] { never->Close(); }) + " " + Raised([&] { rows->Close(); });
       },
       "none none"},
      {"a field kept past its recordset's close, or past its next statement",
       [](Side& side) {
         Ref<access::Connection> connection = side.Connect();
         Ref<access::Recordset> rows = side.Query(connection, kRows);
         Ref<access::Field> closed = rows->GetFields()->Item(0);
         rows->Close();
         const std::string afterClose = Raised([&] { closed->Value(); });
         access_probe::Open(*rows, kRows, connection);
         Ref<access::Field> replaced = rows->GetFields()->Item(0);
         access_probe::Open(*rows, kRows, connection);
         return afterClose + " " + Raised([&] { replaced->Value(); });
       },
       Hex(access::kObjectClosed) + " " + Hex(access::kObjectClosed)},
      {"closing the connection closes its recordsets",
       [](Side& side) {
         Ref<access::Connection> connection = side.Connect();
         Ref<access::Recordset> rows = side.Query(connection, kRows);
         connection->Close();
         return StateText(*rows) + " " + Raised([&] { rows->MoveNext(); });
       },
       "0 " + Hex(access::kObjectClosed)},
      {"a closed connection refuses statements, schemas and a second close",
       [missing](Side& side) {
         Ref<access::Connection> connection = side.Connect();
         connection->Close();
         return Raised([&] { side.Query(connection, kRows); }) + " " +
                Raised([&] { connection->OpenSchema(access::SchemaKind::kTables, Variant::Text("main"), missing); }) +
                " " + Raised([&] { connection->Close(); });
       },
       Hex(access::kConnectionUnusable) + " " + Hex(access::kConnectionUnusable) + " " + Hex(access::kObjectClosed)},
      {"a statement on no connection", [](Side& side) { return Raised([&] { side.Query(nullptr, kRows); }); },
       Hex(access::kAbsentObject)},
      {"schema restrictions are refused, empty ones count as absent",
       [missing](Side& side) {
         Ref<access::Connection> connection = side.Connect();
         return Raised([&] { connection->OpenSchema(access::SchemaKind::kTables, Variant::Text("main"), missing); }) +
                " " + Raised([&] { connection->OpenSchema(access::SchemaKind::kTables, Variant(), Variant()); });
       },
       Hex(access::kNotSupported) + " none"},
      {"a table that does not exist has no columns; a closed connection describes nothing",
       [missing](Side& side) {
         Ref<access::Connection> connection = side.Connect();
         Ref<access::Recordset> columns =
             connection->OpenSchema(access::SchemaKind::kColumns, Variant::Text("nosuch"), missing);
         const std::string none = std::to_string(columns->Eof());
         connection->Close();
         return none + " " + Raised([&] { connection->Describe(); });
       },
       "1 " + Hex(access::kConnectionUnusable)},
      {"one statement's result, read to its end or without rows, has no other behind it",
       [](Side& side) {
         Ref<access::Connection> connection = side.Connect();
         Ref<access::Recordset> rows = side.Query(connection, kRows);
         rows->RecordCount();
         const std::string read = std::to_string(rows->ResultsWaiting()) + std::to_string(rows->OpenNextResult());
         Ref<access::Recordset> changed = side.Query(connection, kUpdate);
         return read + " " + std::to_string(changed->ResultsWaiting()) + std::to_string(changed->OpenNextResult());
       },
       "00 00"},
  };
  Side layer{access::NativeObjects(), "Data Source=" + file};
  Side twin{fakes, "Data Source=" + file};
  // A code raised where none was expected fails its row alone.
  const auto outcome = [](const Case& c, Side& side) {
    std::string text;
    const std::string raised = Raised([&] { text = c.run(side); });
    return raised == "none" ? text : "raised " + raised;
  };
  for (const Case& c : cases) {
    EXPECT_EQ(outcome(c, layer), c.expected) << c.rule << ", on the layer";
    EXPECT_EQ(outcome(c, twin), c.expected) << c.rule << ", on the fake objects";
  }
}

}  // namespace

}  // namespace ql
