#include "access/postgres/pg_connect.h"

#include <poll.h>
#include <string.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <string_view>

#include "access/postgres/pg_keys.h"

namespace ql::access {
namespace {

using Clock = std::chrono::steady_clock;

// The connect_timeout the connection was given, by its keys or by its URI; 15 seconds when libpq
// cannot tell (it has refused the value by then), 0 for no limit.
int ConnectTimeoutSeconds(const LibpqApi& api, PGconn* connection) {
  std::string value(kDefaultConnectTimeout);
  if (PQconninfoOption* options = api.conninfo(connection)) {
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
      if (std::strcmp(option->keyword, "connect_timeout") == 0 && option->val != nullptr) value = option->val;
    }
    api.conninfoFree(options);
  }
  int seconds = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (error != std::errc() || end != value.data() + value.size() || seconds < 0) return 15;
  return seconds;
}

// "a,b,,c" as its parts; nothing for a null or empty text.
std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  for (std::size_t from = 0;;) {
    const std::size_t comma = text.find(',', from);
    parts.emplace_back(text.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
    if (comma == std::string_view::npos) return parts;
    from = comma + 1;
  }
}

std::string JoinList(const std::vector<std::string>& parts, std::size_t from) {
  std::string text;
  for (std::size_t i = from; i < parts.size(); ++i) {
    if (i > from) text += ',';
    text += parts[i];
  }
  return text;
}

// The hosts of one attempt as libpq read them (host, hostaddr and port lists, a single port
// serving every host), with every other option that has a value.
class HostList {
 public:
  HostList(const LibpqApi& api, PGconn* connection) {
    PQconninfoOption* options = api.conninfo(connection);
    if (options == nullptr) return;
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
      if (option->val == nullptr) continue;
      const std::string_view keyword = option->keyword;
      if (keyword == "host") {
        hosts_ = SplitList(option->val);
      } else if (keyword == "hostaddr") {
        addresses_ = SplitList(option->val);
      } else if (keyword == "port") {
        ports_ = SplitList(option->val);
      } else {
        options_.keywords.emplace_back(keyword);
        options_.values.emplace_back(option->val);
      }
    }
    api.conninfoFree(options);
  }
  // The values hold the password.
  ~HostList() {
    for (std::string& value : options_.values) explicit_bzero(value.data(), value.size());
  }
  HostList(const HostList&) = delete;
  HostList& operator=(const HostList&) = delete;

  std::size_t Count() const { return std::max({hosts_.size(), addresses_.size(), std::size_t{1}}); }

  // The first host from `from` on that is `host` (by name or address) on `port`; `from` when none is.
  std::size_t Find(std::size_t from, std::string_view host, std::string_view port) const {
    for (std::size_t i = from; i < Count(); ++i) {
      const bool named = (i < hosts_.size() && hosts_[i] == host) || (i < addresses_.size() && addresses_[i] == host);
      std::string_view listed;
      if (ports_.size() == 1) {
        listed = ports_[0];
      } else if (i < ports_.size()) {
        listed = ports_[i];
      }
      if (named && (listed.empty() || listed == port)) return i;
    }
    return std::min(from, Count() - 1);
  }

  // The options of an attempt with the hosts after `position`.
  LibpqParams After(std::size_t position) const {
    LibpqParams params = options_;
    const auto tail = [&](const char* keyword, const std::vector<std::string>& list) {
      if (list.size() > 1) {
        params.keywords.emplace_back(keyword);
        params.values.push_back(JoinList(list, position + 1));
      } else if (list.size() == 1) {
        params.keywords.emplace_back(keyword);
        params.values.push_back(list[0]);
      }
    };
    tail("host", hosts_);
    tail("hostaddr", addresses_);
    tail("port", ports_);
    return params;
  }

 private:
  LibpqParams options_;
  std::vector<std::string> hosts_;
  std::vector<std::string> addresses_;
  std::vector<std::string> ports_;
};

}  // namespace

PgConnectOutcome ConnectEachHostWithin(const LibpqApi& api, const std::vector<const char*>& keywords,
                                       const std::vector<const char*>& values, bool expandDbname, PgPrepare prepare,
                                       void* context) {
  PgConnectOutcome outcome;
  std::vector<const char*> keys = keywords;
  std::vector<const char*> vals = values;
  int expand = expandDbname ? 1 : 0;
  // The options of a restarted attempt, kept while libpq reads them; their values hold the password.
  LibpqParams restart;
  struct Wiper {
    LibpqParams& params;
    ~Wiper() {
      for (std::string& value : params.values) explicit_bzero(value.data(), value.size());
    }
  } wiper{restart};
  for (;;) {
    outcome.connection = PgConnection(api.connectStartParams(keys.data(), vals.data(), expand), PgConnectionFree{&api});
    if (!outcome.connection) return outcome;
    PGconn* const connection = outcome.connection.get();
    prepare(api, connection, context);
    outcome.seconds = ConnectTimeoutSeconds(api, connection);
    const HostList hosts(api, connection);
    std::size_t position = 0;
    bool placed = false;
    std::string host;
    std::string port;
    Clock::time_point deadline;
    bool givenUp = false;
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (api.status(connection) != CONNECTION_BAD && polling != PGRES_POLLING_OK && polling != PGRES_POLLING_FAILED) {
      const char* const nowHost = api.host(connection);
      const char* const nowPort = api.port(connection);
      const std::string_view shownHost = nowHost != nullptr ? nowHost : "";
      const std::string_view shownPort = nowPort != nullptr ? nowPort : "";
      if (!placed || host != shownHost || port != shownPort) {
        // libpq has turned to another host (or address): its time starts now.
        position = hosts.Find(placed ? position + 1 : 0, shownHost, shownPort);
        placed = true;
        host = shownHost;
        port = shownPort;
        deadline = Clock::now() + std::chrono::seconds(outcome.seconds);
      }
      pollfd ready{api.socket(connection), static_cast<short>(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
      int wait = -1;
      if (outcome.seconds > 0) {
        wait = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (wait <= 0) {
          const bool last = position + 1 >= hosts.Count();
          if (last && outcome.givenUp.empty() && hosts.Count() == 1) {
            outcome.timedOut = true;
            return outcome;
          }
          // What libpq says of the hosts it left before this one, and (once it has begun to connect)
          // the line it begins for this one.
          const char* said = api.errorMessage(connection);
          const std::string_view before = said != nullptr ? said : "";
          outcome.givenUp += before;
          if (!before.ends_with("failed: "))
            outcome.givenUp += "connection to server at \"" + host + "\", port " + port + " failed: ";
          outcome.givenUp += "no answer within " + std::to_string(outcome.seconds) + " seconds (Connect Timeout)\n";
          if (last) {
            outcome.timedOut = true;
            return outcome;
          }
          givenUp = true;
          break;
        }
      }
      if (ready.fd >= 0) {
        const int rc = ::poll(&ready, 1, wait);
        if (rc < 0 && errno != EINTR) break;
        if (rc <= 0) continue;
      }
      polling = api.connectPoll(connection);
    }
    if (!givenUp) return outcome;
    for (std::string& value : restart.values) explicit_bzero(value.data(), value.size());
    restart = hosts.After(position);
    keys.clear();
    vals.clear();
    for (std::size_t i = 0; i < restart.keywords.size(); ++i) {
      keys.push_back(restart.keywords[i].c_str());
      vals.push_back(restart.values[i].c_str());
    }
    keys.push_back(nullptr);
    vals.push_back(nullptr);
    // libpq expanded a URI the first time; its options are now plain values.
    expand = 0;
  }
}

}  // namespace ql::access
