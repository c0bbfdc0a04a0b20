// The PostgreSQL keys and URIs: what libpq is handed, and the secrets kept out of reports.
//
// Properties: a connection string's keys reach libpq once each, and every password among them is
// a secret; for a URI, no piece of its password (between the user's ':' and the last '@' before the
// host, or a password parameter) survives WithoutSecrets.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "access/ascii.h"
#include "access/core/connection_string.h"
#include "access/data_access_error.h"
#include "access/postgres/pg_keys.h"

namespace ql {
namespace {

[[noreturn]] void Fail(const char* what, std::string_view input, std::string_view detail) {
  std::fprintf(stderr, "%s\ninput:  %.*s\ndetail: %.*s\n", what, static_cast<int>(input.size()), input.data(),
               static_cast<int>(detail.size()), detail.data());
  std::abort();
}

void CheckKeys(const std::string& input) {
  static const std::vector<std::string> kLibpq{
      "host", "port", "dbname", "user", "password", "connect_timeout", "client_encoding", "sslmode", "options"};
  const access::ConnectionString pairs = access::ConnectionString::Parse(input);
  access::ErrorList errors;
  access::LibpqParams params;
  try {
    params = access::PostgresKeys(pairs, kLibpq, errors);
  } catch (const access::DataAccessError&) {
    return;  // a key libpq does not know
  }
  for (std::size_t i = 0; i < params.keywords.size(); ++i) {
    for (std::size_t j = i + 1; j < params.keywords.size(); ++j) {
      if (params.keywords[i] == params.keywords[j]) Fail("a keyword reaches libpq twice", input, params.keywords[i]);
    }
    if (params.keywords[i] == "password" && !params.values[i].empty() &&
        params.values[i].find('*') == std::string::npos &&
        access::WithoutSecrets(params.values[i], params.secrets).find(params.values[i]) != std::string::npos) {
      Fail("a password is not a secret", input, params.values[i]);
    }
  }
}

void CheckUri(std::string_view uri) {
  const access::LibpqParams params = access::PostgresUri(uri, "", "");
  const std::string shown = access::WithoutSecrets(std::string(uri), params.secrets);
  const std::size_t start = uri.find("://");
  if (start == std::string_view::npos) return;
  std::size_t end = uri.find_first_of("/?", start + 3);
  if (end == std::string_view::npos) end = uri.size();
  const std::string_view authority = uri.substr(start + 3, end - start - 3);
  const std::size_t at = authority.rfind('@');
  if (at == std::string_view::npos) return;
  const std::string_view user = authority.substr(0, at);
  const std::size_t colon = user.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view password = user.substr(colon + 1);
  // "***" is what masking writes: with a '*' of its own, a password can be spelled again by the mask
  // and the text beside it, so the check cannot tell.
  if (password.empty() || password.find('*') != std::string_view::npos) return;
  if (shown.find(password) != std::string::npos) Fail("the URI's password shows", uri, shown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  // Connection strings come from a line of text: no NUL.
  std::string input(reinterpret_cast<const char*>(bytes), size);
  std::erase(input, '\0');
  CheckKeys(input);
  CheckUri(input);
  CheckUri("postgresql://" + input);
  return 0;
}

}  // namespace ql
