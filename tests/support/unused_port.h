#pragma once
// A port on loopback where nothing listens: bound for as long as the object lives, so that nothing
// else takes it, but never listening, so that a connection to it is refused at once.

namespace ql::testsupport {

class UnusedPort {
 public:
  UnusedPort();
  ~UnusedPort();
  UnusedPort(const UnusedPort&) = delete;
  UnusedPort& operator=(const UnusedPort&) = delete;

  int Port() const { return port_; }

 private:
  int socket_;
  int port_ = 0;
};

}  // namespace ql::testsupport
