// The least a streaming CSV export over libpq can do: the rows of a query read in libpq's single-row
// mode (the one way the libpq of Debian 12 hands a result over a row at a time, each row a result
// of its own) and written as CSV straight from the server's text, no value read or converted.
// As in QUERYLOOM, one thread reads the rows into a few batches of about 64 KiB and another writes
// them as CSV, so libpq's work and the writing overlap. bench/run measures it beside QUERYLOOM's export and
// psql --csv: the floor that the library sets for any program that streams a result through it.
//
//   pg_stream CONNINFO [SQL]

#include <libpq-fe.h>
#include <unistd.h>

#include <array>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct ConnectionFree {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ResultFree {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Connection = std::unique_ptr<PGconn, ConnectionFree>;
using Result = std::unique_ptr<PGresult, ResultFree>;

constexpr std::size_t kBatchBytes = 64 * 1024;
constexpr std::size_t kBatchesAhead = 4;

// Rows as the server wrote them: each cell's length (-1 for NULL) and the cells' bytes one after
// the other. A batch without rows ends them.
struct Batch {
  std::size_t rows = 0;
  std::vector<int> lengths;
  std::string bytes;
};

// Batches from the reading thread to the writing one, at most kBatchesAhead waiting.
class Batches {
 public:
  void Put(Batch batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.size() < kBatchesAhead; });
    queue_.push_back(std::move(batch));
    changed_.notify_all();
  }
  Batch Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !queue_.empty(); });
    Batch batch = std::move(queue_.front());
    queue_.pop_front();
    changed_.notify_all();
    return batch;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> queue_;
};

// Reads every row of the query's results into batches; false on a failure. `names` are the columns
// of the first result, set before its first batch is put.
bool ReadRows(PGconn* connection, Batches& batches, std::vector<std::string>& names) {
  Batch batch;
  bool named = false;
  bool failed = false;
  for (Result result(PQgetResult(connection)); result; result.reset(PQgetResult(connection))) {
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK) {
      std::fprintf(stderr, "pg_stream: %s", PQresultErrorMessage(result.get()));
      failed = true;
      continue;
    }
    const int columns = PQnfields(result.get());
    if (!named) {
      for (int c = 0; c < columns; ++c) names.emplace_back(PQfname(result.get(), c));
      named = true;
    }
    for (int r = 0; r < PQntuples(result.get()); ++r) {
      for (int c = 0; c < columns; ++c) {
        if (PQgetisnull(result.get(), r, c)) {
          batch.lengths.push_back(-1);
          continue;
        }
        const int length = PQgetlength(result.get(), r, c);
        batch.lengths.push_back(length);
        batch.bytes.append(PQgetvalue(result.get(), r, c), static_cast<std::size_t>(length));
      }
      ++batch.rows;
    }
    if (batch.bytes.size() >= kBatchBytes) batches.Put(std::exchange(batch, {}));
  }
  if (batch.rows > 0) batches.Put(std::exchange(batch, {}));
  batches.Put({});
  return !failed;
}

// A field as RFC 4180 writes it: quoted when it holds a comma, a quote or a line end, quotes doubled.
void AppendField(std::string_view text, std::string& out) {
  static constexpr auto kSpecial = [] {
    std::array<bool, 256> special{};
    for (const unsigned char ch : {',', '"', '\n', '\r'}) special[ch] = true;
    return special;
  }();
  bool plain = true;
  for (const char ch : text) plain &= !kSpecial[static_cast<unsigned char>(ch)];
  if (plain) {
    out += text;
    return;
  }
  out += '"';
  for (const char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

bool WriteAll(std::string_view rest) {
  while (!rest.empty()) {
    const ssize_t written = write(STDOUT_FILENO, rest.data(), rest.size());
    if (written <= 0) return false;
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
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
  Batches batches;
  std::vector<std::string> names;
  bool read = false;
  std::thread reader([&] { read = ReadRows(connection.get(), batches, names); });
  bool written = true;
  std::string out;
  bool headed = false;
  // Every batch is taken, even after a failed write, so that the reader never waits for room.
  for (Batch batch = batches.Take(); batch.rows > 0; batch = batches.Take()) {
    if (!headed) {
      for (std::size_t c = 0; c < names.size(); ++c) {
        if (c > 0) out += ',';
        AppendField(names[c], out);
      }
      out += '\n';
      headed = true;
    }
    std::size_t cell = 0;
    std::size_t at = 0;
    for (std::size_t r = 0; r < batch.rows; ++r) {
      for (std::size_t c = 0; c < names.size(); ++c) {
        if (c > 0) out += ',';
        const int length = batch.lengths[cell++];
        if (length < 0) continue;
        AppendField(std::string_view(batch.bytes).substr(at, static_cast<std::size_t>(length)), out);
        at += static_cast<std::size_t>(length);
      }
      out += '\n';
    }
    written = written && WriteAll(out);
    out.clear();
  }
  reader.join();
  return read && written ? 0 : 1;
}
