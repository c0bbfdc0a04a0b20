#include "access/core/provider_table.h"

#include <array>
#include <string>

#include "access/ascii.h"

namespace ql::access {
namespace {

constexpr const ProviderEntry* kProviders[] = {
    &kSqliteProvider, &kOdbcProvider, &kPostgresProvider, &kMariadbProvider, &kAccessFileProvider, &kSqlServerProvider,
};

// Without a Provider key, the driver manager's own keys choose ODBC, and anything else SQLite.
constexpr std::array kOdbcKeys{std::string_view("Driver"), std::string_view("DSN"), std::string_view("FileDSN")};

// The pairs without the Provider key, each value keeping how it was written.
ConnectionString WithoutProvider(const ConnectionString& pairs) {
  ConnectionString result;
  for (std::size_t i = 0; i < pairs.Pairs().size(); ++i) {
    const auto& [key, value] = pairs.Pairs()[i];
    if (EqualsIgnoringCase(key, "Provider")) continue;
    result.Set(key, value, pairs.FormAt(i));
  }
  return result;
}

}  // namespace

std::span<const ProviderEntry* const> Providers() { return kProviders; }

ResolvedProvider ResolveProvider(const ConnectionString& given, std::string_view user, std::string_view password,
                                 ErrorList& errors) {
  ConnectionString pairs = given;
  if (!user.empty() && !pairs.Has("User ID")) pairs.Set("User ID", std::string(user));
  if (!password.empty() && !pairs.Has("Password")) pairs.Set("Password", std::string(password));

  const std::optional<std::string> name = pairs.Find("Provider");
  if (!name || name->empty()) {
    for (std::string_view key : kOdbcKeys) {
      if (pairs.Has(key)) return {kOdbcProvider.open, WithoutProvider(pairs)};
    }
    return {kSqliteProvider.open, WithoutProvider(pairs)};
  }
  // The entries' unused (empty) names match no name, as the name is not empty.
  for (const ProviderEntry* entry : kProviders) {
    if (!IsOneOfIgnoringCase(*name, entry->names)) continue;
    if (entry->translate != nullptr) return {entry->open, entry->translate(WithoutProvider(pairs), errors)};
    return {entry->open, WithoutProvider(pairs)};
  }
  errors.Raise(kProviderNotFound, "Connection",
               "Provider not found: \"" + *name + "\" is not a provider this program knows.");
}

ResolvedProvider ResolveProvider(std::string_view text, std::string_view user, std::string_view password,
                                 ErrorList& errors) {
  for (const ProviderEntry* entry : kProviders) {
    if (entry->claims == nullptr || !entry->claims(text)) continue;
    ConnectionString pairs;
    pairs.Set("URI", std::string(text));
    if (!user.empty()) pairs.Set("User ID", std::string(user));
    if (!password.empty()) pairs.Set("Password", std::string(password));
    return {entry->openClaimed, std::move(pairs)};
  }
  const ConnectionString pairs = ConnectionString::Parse(text);
  if (pairs.PieceWithoutValue() && pairs.PieceFollowsPassword()) {
    errors.Raise(kProviderFailed, "Connection",
                 "Connection string not understood: the part after the password is not of the form key=value "
                 "(it is not shown: it may be part of the password). A password holding ';' is written in "
                 "quotes: Password='...'.");
  }
  if (const std::optional<std::string>& piece = pairs.PieceWithoutValue()) {
    errors.Raise(kProviderFailed, "Connection",
                 "Connection string not understood: \"" + *piece +
                     "\" is not of the form key=value. To open a file, write Data Source=" + *piece + ".");
  }
  return ResolveProvider(pairs, user, password, errors);
}

}  // namespace ql::access
