// Connection strings: parsing, provider resolution, the SQL Server and Access keys, and the request
// handed to the ODBC driver manager.
//
// Property: the request, read back the way the driver manager reads it (pairs split at ';', a value
// in braces up to its single '}', "}}" standing for '}'), gives back every pair of the user's string
// in order with exactly its value: a quoted or plain value as it is, a braced one as typed. Only the
// driver settings the string left out may follow, and ill-formed braces never get that far.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "access/ascii.h"
#include "access/core/connection_string.h"
#include "access/core/provider_table.h"
#include "access/data_access_error.h"
#include "access/mdb/mdb_keys.h"
#include "access/odbc/odbc_keys.h"

namespace ql {

namespace {

using ql::access::ConnectionString;
using ql::access::ValueForm;

struct ReadPair {
  std::string key;
  std::string value;  // braced values as written, braces and all
};

[[noreturn]] void Fail(const std::string& what, std::string_view input, std::string_view request) {
  std::fprintf(stderr, "%s\ninput:   %.*s\nrequest: %.*s\n", what.c_str(), static_cast<int>(input.size()), input.data(),
               static_cast<int>(request.size()), request.data());
  std::abort();
}

// The request as the driver manager splits it; nothing when it cannot be read unambiguously.
bool ReadRequest(std::string_view text, std::vector<ReadPair>& pairs) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string_view::npos) return false;
    ReadPair pair{std::string(text.substr(pos, equals - pos)), {}};
    if (pair.key.find(';') != std::string::npos) return false;
    pos = equals + 1;
    if (pos < text.size() && text[pos] == '{') {
      const std::size_t start = pos++;
      for (;;) {
        if (pos >= text.size()) return false;
        if (text[pos] == '}') {
          if (pos + 1 < text.size() && text[pos + 1] == '}') {
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        ++pos;
      }
      pair.value.assign(text.substr(start, pos - start));
      if (pos < text.size() && text[pos] != ';') return false;
    } else {
      std::size_t end = text.find(';', pos);
      if (end == std::string_view::npos) end = text.size();
      pair.value.assign(text.substr(pos, end - pos));
      pos = end;
    }
    pairs.push_back(std::move(pair));
    if (pos < text.size()) ++pos;  // the ';'
  }
  return true;
}

// The drivers whose library names carry settings of their own, and one that carries none; the
// driver manager is not asked (it reads its configuration files on every lookup).
ql::access::DriverIdentity Driver(unsigned choice) {
  static const char* const kLibraries[] = {"", "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so",
                                           "/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so", "libsqlite3odbc.so"};
  return {"driver", kLibraries[choice % 4]};
}

bool HasBadBraces(const ConnectionString& pairs) {
  for (std::size_t i = 0; i < pairs.Pairs().size(); ++i) {
    if (pairs.FormAt(i) == ValueForm::kBadBraces) return true;
  }
  return false;
}

void CheckRequest(const ConnectionString& pairs, std::string_view input) {
  ql::access::ErrorList errors;
  ql::access::ConnectRequest request;
  try {
    request = ql::access::MakeConnectRequest(pairs, Driver(static_cast<unsigned>(input.size())), errors);
  } catch (const ql::access::DataAccessError&) {
    return;  // a refused timeout or ill-formed braces
  }
  if (HasBadBraces(pairs)) Fail("ill-formed braces reached the request", input, request.text);
  std::vector<ReadPair> read;
  if (!ReadRequest(request.text, read)) Fail("the request cannot be read back", input, request.text);
  std::size_t at = 0;
  for (std::size_t i = 0; i < pairs.Pairs().size(); ++i) {
    const auto& [key, value] = pairs.Pairs()[i];
    if (ql::access::EqualsIgnoringCase(key, "Connect Timeout")) continue;
    if (at >= read.size()) Fail("a pair is missing: " + key, input, request.text);
    if (read[at].key != key) Fail("key " + key + " came back as " + read[at].key, input, request.text);
    const std::string& sent = read[at].value;
    if (pairs.FormAt(i) == ValueForm::kBraced) {
      if (sent != value) Fail("the braced value of " + key + " was not passed as typed", input, request.text);
    } else {
      const std::string meant = sent.starts_with('{') ? ConnectionString::BracedText(sent) : sent;
      if (meant != value) Fail("the value of " + key + " changed on the way", input, request.text);
    }
    ++at;
  }
  for (; at < read.size(); ++at) {
    if (pairs.Has(read[at].key)) Fail("a setting overrode the string's own " + read[at].key, input, request.text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  // The program's connection strings come from a line of text: no NUL.
  std::string input(reinterpret_cast<const char*>(bytes), size);
  std::erase(input, '\0');
  const ConnectionString parsed = ConnectionString::Parse(input);

  // Parsing what the pairs say again gives the same pairs.
  for (std::size_t i = 0; i < parsed.Pairs().size(); ++i) {
    const auto& [key, value] = parsed.Pairs()[i];
    if (key.empty() || parsed.Find(key) != value) Fail("Find does not give back the pair of " + key, input, "");
  }
  CheckRequest(parsed, input);

  ql::access::ErrorList errors;
  try {
    const ql::access::ResolvedProvider resolved = ql::access::ResolveProvider(parsed, "", "", errors);
    CheckRequest(resolved.pairs, input);
  } catch (const ql::access::DataAccessError&) {
  }
  try {
    CheckRequest(ql::access::SqlServerKeys(parsed, errors), input);
  } catch (const ql::access::DataAccessError&) {
  }
  try {
    const ConnectionString keys = ql::access::AccessFileKeys(parsed, errors);
    const std::string file = keys.Find("DBQ").value_or("");
    const std::string given = parsed.Find("Data Source").value_or("");
    const bool braced = parsed.Form("Data Source") == ValueForm::kBraced;
    if (file != (braced ? ConnectionString::BracedText(given) : given)) Fail("DBQ is not the file named", input, file);
  } catch (const ql::access::DataAccessError&) {
  }
  return 0;
}

}  // namespace ql
