// The least a streaming CSV export over libpq can do: the rows of a query read in libpq's single-row
// mode (the one way the libpq of Debian 12 hands a result over a row at a time, each row a result
// of its own) and written as CSV straight from the server's text, no value read or converted.
// bench/run measures it beside QUERYLOOM's export and psql --csv: the floor that the library sets
// for any program that streams a result through it.
//
//   pg_stream CONNINFO [SQL]

#include <libpq-fe.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

struct ConnectionFree {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ResultFree {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Connection = std::unique_ptr<PGconn, ConnectionFree>;
using Result = std::unique_ptr<PGresult, ResultFree>;

// A field as RFC 4180 writes it: quoted when it holds a comma, a quote or a line end, quotes doubled.
void AppendField(std::string_view text, std::string& out) {
  if (text.find_first_of(",\"\n\r") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

bool WriteAll(std::string& out) {
  for (std::string_view rest = out; !rest.empty();) {
    const ssize_t written = write(STDOUT_FILENO, rest.data(), rest.size());
    if (written <= 0) return false;
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
  out.clear();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: pg_stream CONNINFO [SQL]\n");
    return 2;
  }
  const Connection connection(PQconnectdb(argv[1]));
  if (PQstatus(connection.get()) != CONNECTION_OK) {
    std::fprintf(stderr, "pg_stream: %s", PQerrorMessage(connection.get()));
    return 1;
  }
  if (!PQsendQuery(connection.get(), argc == 3 ? argv[2] : "select * from account") ||
      !PQsetSingleRowMode(connection.get())) {
    std::fprintf(stderr, "pg_stream: %s", PQerrorMessage(connection.get()));
    return 1;
  }
  std::string out;
  bool headed = false;
  bool failed = false;
  for (Result result(PQgetResult(connection.get())); result; result.reset(PQgetResult(connection.get()))) {
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK) {
      std::fprintf(stderr, "pg_stream: %s", PQresultErrorMessage(result.get()));
      failed = true;
      continue;
    }
    const int columns = PQnfields(result.get());
    if (!headed) {
      for (int c = 0; c < columns; ++c) {
        if (c > 0) out += ',';
        AppendField(PQfname(result.get(), c), out);
      }
      out += '\n';
      headed = true;
    }
    for (int r = 0; r < PQntuples(result.get()); ++r) {
      for (int c = 0; c < columns; ++c) {
        if (c > 0) out += ',';
        if (PQgetisnull(result.get(), r, c)) continue;
        AppendField(
            std::string_view(PQgetvalue(result.get(), r, c), static_cast<std::size_t>(PQgetlength(result.get(), r, c))),
            out);
      }
      out += '\n';
    }
    if (out.size() >= 64 * 1024 && !WriteAll(out)) return 1;
  }
  if (!WriteAll(out)) return 1;
  return failed ? 1 : 0;
}
