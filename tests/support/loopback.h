// Test helper: ports on 127.0.0.1 for the servers that tests start.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace zorvik::testing {

// A port that nothing listens on just now.
inline int FreePort() {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(sock);
  return ntohs(address.sin_port);
}

// Whether this process could listen on port of 127.0.0.1 now.
inline bool PortIsFree(int port) {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool free = ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(sock);
  return free;
}

// True once something accepts connections on port (within about ten seconds).
inline bool WaitForPort(int port) {
  for (int i = 0; i < 1000; ++i) {
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = ::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(sock);
    if (up) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// A server on 127.0.0.1 that answers every connection with the same bytes, as written (what
// a well-behaved server library would refuse to send), then closes it.
class TCannedServer {
 public:
  explicit TCannedServer(std::string answer) : answer_(std::move(answer)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    ::listen(listener_, 16);
    thread_ = std::thread([this] {
      pollfd fd{listener_, POLLIN, 0};
      while (!stop_) {
        if (::poll(&fd, 1, 50) <= 0) continue;
        const int connection = ::accept(listener_, nullptr, nullptr);
        char request[4096];
        (void)::recv(connection, request, sizeof request, 0);
        (void)::send(connection, answer_.data(), answer_.size(), MSG_NOSIGNAL);
        ::close(connection);
      }
    });
  }
  ~TCannedServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  TCannedServer(const TCannedServer&) = delete;
  TCannedServer& operator=(const TCannedServer&) = delete;
  int Port() const { return port_; }

 private:
  std::string answer_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace zorvik::testing
