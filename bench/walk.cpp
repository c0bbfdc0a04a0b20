// Walks every row of a query through the data-access layer as the record display does: a static
// cursor, every field's Value on every row. Prints the rows, the wall time and the peak resident
// memory of the process, one "name value" per line.
//
//   walk DATABASE_FILE [SQL]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "access/data_access.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: walk DATABASE_FILE [SQL]\n");
    return 2;
  }
  const std::string sql = argc == 3 ? argv[2] : "select * from account";
  try {
    const auto start = std::chrono::steady_clock::now();
    ql::access::Ref<ql::access::Connection> connection = ql::access::NativeObjects().CreateConnection();
    connection->Open(std::string("Data Source=") + argv[1] + ";Mode=Read", "", "", 0);
    ql::access::Ref<ql::access::Recordset> rows = ql::access::NativeObjects().CreateRecordset();
    rows->Open(sql, connection, ql::access::CursorType::kStatic, ql::access::LockType::kOptimistic,
               ql::access::kCmdText);

    std::size_t count = 0;
    std::size_t bytes = 0;  // consumed, so that no read can be optimised away
    ql::access::Ref<ql::access::Fields> fields = rows->GetFields();
    const std::int32_t columns = fields->Count();
    ql::access::Variant value;  // read into again for every field, as the record display does
    while (!rows->Eof()) {
      for (std::int32_t i = 0; i < columns; ++i) {
        fields->Item(i)->ReadValue(value);
        bytes += value.Type() + value.Bytes().size();
      }
      ++count;
      rows->MoveNext();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("rows %zu\nseconds %.3f\npeak_kib %ld\nchecksum %zu\n", count, seconds, usage.ru_maxrss, bytes);
    return 0;
  } catch (const ql::access::DataAccessError& error) {
    std::fprintf(stderr, "walk: %s\n", error.what());
    return 1;
  }
}
