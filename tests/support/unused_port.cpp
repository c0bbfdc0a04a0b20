#include "support/unused_port.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ql {

namespace testsupport {

UnusedPort::UnusedPort() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ADD_FAILURE() << "no port to leave unused";
    return;
  }
  port_ = ntohs(address.sin_port);
}

UnusedPort::~UnusedPort() {
  if (socket_ >= 0) ::close(socket_);
}

}  // namespace testsupport

}  // namespace ql
