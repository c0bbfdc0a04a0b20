#include "access/mdb/mdb_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "access/core/provider_table.h"
#include "access/mdb/mdb_read_only.h"
#include "access/mdb/mdb_stderr_capture.h"

namespace ql::access {
namespace {

constexpr std::string_view kSource = "Access";

// Every Jet or ACE file begins with these 4 bytes and one of the names after them.
constexpr unsigned char kMagic[] = {0x00, 0x01, 0x00, 0x00};
constexpr std::string_view kFormatNames[] = {"Standard Jet DB", "Standard ACE DB"};
constexpr std::size_t kNameOffset = 4;
// The byte that tells the page size: 0 for Jet 3 (2048-byte pages), later versions 4096.
constexpr std::size_t kVersionOffset = 0x14;
// The header page and the page that lists the tables; a shorter file has no tables to show.
constexpr std::size_t kLeastPages = 2;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const noexcept { return fd_; }

 private:
  int fd_;
};

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Opens the file for reading and makes sure it is an Access database the driver can be given.
FileDescriptor OpenChecked(const std::string& path, ErrorList& errors) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.Get() < 0) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) {
      errors.Raise(kProviderFailed, std::string(kSource), "Could not find file " + Quoted(path) + ".");
    }
    errors.Raise(error == EACCES || error == EPERM ? kPermissionDenied : kProviderFailed, std::string(kSource),
                 "Cannot open " + Quoted(path) + ": " + std::strerror(error) + ".");
  }
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    errors.Raise(kProviderFailed, std::string(kSource),
                 Quoted(path) + (S_ISDIR(status.st_mode) ? " is a directory" : " is not a regular file") +
                     ", not an Access database file.");
  }
  unsigned char header[kVersionOffset + 1] = {};
  const ssize_t got = ::pread(file.Get(), header, sizeof header, 0);
  bool known = got == static_cast<ssize_t>(sizeof header) && std::memcmp(header, kMagic, sizeof kMagic) == 0;
  if (known) {
    const std::string_view name(reinterpret_cast<const char*>(header) + kNameOffset, kFormatNames[0].size());
    known = name == kFormatNames[0] || name == kFormatNames[1];
  }
  if (!known) {
    errors.Raise(kProviderFailed, std::string(kSource), Quoted(path) + " is not an Access database file.");
  }
  const std::size_t pageSize = header[kVersionOffset] == 0 ? 2048 : 4096;
  if (static_cast<std::size_t>(status.st_size) < kLeastPages * pageSize) {
    errors.Raise(kProviderFailed, std::string(kSource), Quoted(path) + " is cut short: it holds no tables.");
  }
  return file;
}

// MDBTools reports what went wrong on standard error and gives the caller only "Couldn't parse SQL"
// without a SQLSTATE; its messages, and the codes they stand for.
struct DriverMessage {
  std::string_view contains;
  ResultCode code;
};

constexpr DriverMessage kDriverMessages[] = {
    {"is not a table in this database", kNoSuchTable},
    {"syntax error", kStatementError},
    {" not found", kStatementError},  // "Column X not found"
};

// Lines that only repeat the statement.
constexpr std::string_view kEchoLine = "Got no result for";

// The captured lines that say something, on one line; a line already said by an earlier one (the
// driver writes "syntax error" twice over) is left out.
std::string DriverText(std::string_view captured) {
  std::string text;
  while (!captured.empty()) {
    const std::size_t end = std::min(captured.find('\n'), captured.size());
    std::string_view line = captured.substr(0, end);
    captured.remove_prefix(std::min(end + 1, captured.size()));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (line.empty() || line.starts_with(kEchoLine) || text.find(line) != std::string::npos) continue;
    if (!text.empty()) text += "; ";
    text += line;
  }
  return text;
}

// Runs a driver call with its standard error captured. On failure what the driver wrote becomes the
// first error record, with the code it stands for, ahead of the driver's own records.
template <class Call>
auto Guarded(StderrCapture& capture, ErrorList& errors, Call&& call) -> decltype(call()) {
  CapturingScope scope(capture);
  try {
    return call();
  } catch (const DataAccessError&) {
    const std::string text = DriverText(scope.End());
    if (text.empty()) throw;
    std::vector<ErrorRecord> records = errors.Records();
    ErrorRecord first{kProviderFailed, "MDBTools", text};
    if (!records.empty()) {
      first.number = records.front().number;
      first.source = records.front().source;
    }
    for (const DriverMessage& message : kDriverMessages) {
      if (text.find(message.contains) != std::string::npos) {
        first.number = message.code;
        break;
      }
    }
    records.insert(records.begin(), std::move(first));
    errors.Raise(std::move(records));
  }
}

class GuardedCursor final : public ProviderCursor {
 public:
  GuardedCursor(std::unique_ptr<ProviderCursor> inner, std::shared_ptr<StderrCapture> capture,
                std::shared_ptr<ErrorList> errors)
      : inner_(std::move(inner)), capture_(std::move(capture)), errors_(std::move(errors)) {}

  const std::vector<std::string>& ColumnNames() const override { return inner_->ColumnNames(); }
  bool FetchRow(RowWriter& row) override {
    return Guarded(*capture_, *errors_, [&] { return inner_->FetchRow(row); });
  }

 private:
  std::unique_ptr<ProviderCursor> inner_;
  std::shared_ptr<StderrCapture> capture_;
  std::shared_ptr<ErrorList> errors_;
};

// Refuses statements that would change the file, and keeps the driver's messages off the terminal.
class AccessFileSession final : public ProviderSession {
 public:
  AccessFileSession(std::unique_ptr<ProviderSession> inner, std::shared_ptr<StderrCapture> capture,
                    std::shared_ptr<ErrorList> errors, std::string path)
      : inner_(std::move(inner)), capture_(std::move(capture)), errors_(std::move(errors)), path_(std::move(path)) {}

  std::unique_ptr<ProviderCursor> Execute(std::string_view sql) override {
    if (!IsReadOnlyStatement(sql)) {
      errors_->Raise(kPermissionDenied, std::string(kSource),
                     "The Access file is open read-only: only queries (SELECT) run on it, and this "
                     "statement could change it.");
    }
    return Guard(Guarded(*capture_, *errors_, [&] { return inner_->Execute(sql); }));
  }
  std::unique_ptr<ProviderCursor> OpenSchema(SchemaKind schema) override {
    // The driver answers a request for catalogs with its list of tables.
    if (schema == SchemaKind::kCatalogs) {
      errors_->Raise(kNotSupported, std::string(kSource), "An Access file holds one database and names no catalogs.");
    }
    return Guard(Guarded(*capture_, *errors_, [&] { return inner_->OpenSchema(schema); }));
  }
  std::unique_ptr<ProviderCursor> OpenColumns(std::string_view table) override {
    return Guard(Guarded(*capture_, *errors_, [&] { return inner_->OpenColumns(table); }));
  }
  void Interrupt() noexcept override { inner_->Interrupt(); }
  std::int64_t RowsAffected() const override { return inner_->RowsAffected(); }
  bool NextResult(std::unique_ptr<ProviderCursor>& rows) override {
    const bool next = Guarded(*capture_, *errors_, [&] { return inner_->NextResult(rows); });
    rows = Guard(std::move(rows));
    return next;
  }
  std::vector<ServerMessage> TakeMessages() override { return inner_->TakeMessages(); }
  // The driver's facts, but for the file: the driver is given it by a descriptor's name.
  std::vector<ConnectionFact> Describe() override {
    std::vector<ConnectionFact> facts = inner_->Describe();
    std::erase_if(facts, [](const ConnectionFact& fact) {
      return fact.name == kFactProvider || fact.name == kFactDatabase || fact.name == kFactHost;
    });
    facts.insert(facts.begin(), {{kFactProvider, "Access file, read-only (ODBC: MDBTools)"}, {kFactDatabase, path_}});
    return facts;
  }

 private:
  std::unique_ptr<ProviderCursor> Guard(std::unique_ptr<ProviderCursor> rows) {
    if (!rows) return rows;
    return std::make_unique<GuardedCursor>(std::move(rows), capture_, errors_);
  }

  std::unique_ptr<ProviderSession> inner_;
  std::shared_ptr<StderrCapture> capture_;
  std::shared_ptr<ErrorList> errors_;
  std::string path_;  // as the connection string names it
};

}  // namespace

std::unique_ptr<ProviderSession> OpenAccessFileSession(const ConnectionString& pairs,
                                                       std::shared_ptr<ErrorList> errors) {
  const std::string path = pairs.Find("DBQ").value_or(std::string());
  const FileDescriptor file = OpenChecked(path, *errors);
  // The driver is given the file already opened, by its descriptor's name: it copies the name into
  // a fixed buffer of 256 bytes and cuts it at the first ';', and a name with "DSN" anywhere in the
  // string sends it looking for a data source instead.
  ConnectionString driverPairs = pairs;
  driverPairs.Set("DBQ", "/proc/self/fd/" + std::to_string(file.Get()));
  auto capture = std::make_shared<StderrCapture>();
  std::unique_ptr<ProviderSession> session =
      Guarded(*capture, *errors, [&] { return kOdbcProvider.open(driverPairs, errors); });
  return std::make_unique<AccessFileSession>(std::move(session), std::move(capture), std::move(errors), path);
}

}  // namespace ql::access
