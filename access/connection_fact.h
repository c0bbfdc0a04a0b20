#pragma once
// One thing known about an open connection, for the user to read: its name and its value as text.

#include <string>

namespace ql::access {

struct ConnectionFact {
  std::string name;   // one of the names below
  std::string value;  // as the provider or the server tells it
};

// The names a provider uses, in the order it gives them; a provider leaves out what it cannot tell.
inline constexpr const char* kFactProvider = "Provider";
inline constexpr const char* kFactHost = "Host";
inline constexpr const char* kFactPort = "Port";
inline constexpr const char* kFactDatabase = "Database";
inline constexpr const char* kFactUser = "User";
inline constexpr const char* kFactServer = "Server version";
inline constexpr const char* kFactTls = "TLS";                  // "yes" or "no"
inline constexpr const char* kFactTransaction = "Transaction";  // "idle", "open", "failed", ...

}  // namespace ql::access
