// A small HTTP server on 127.0.0.1 for the version-query tests: it listens on a port the kernel
// chooses, records each request's head (request line and headers) and answers every request
// with one canned response. It can also stay silent (accept the connection, never answer), and
// Refused_Port() gives a port where connections are refused. On Windows through Winsock.
#pragma once

#ifdef _WIN32
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace test {

#ifdef _WIN32
using Socket = SOCKET;
inline int close(Socket fd) { return closesocket(fd); }
inline int poll(pollfd* fds, unsigned long count, int timeout_ms) {
  return WSAPoll(fds, count, timeout_ms);
}
constexpr int MSG_NOSIGNAL = 0;
constexpr int SHUT_WR = SD_SEND;
// Winsock is started once for the test program and stays up until it ends.
inline bool Winsock_Started = [] {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();
#else
using Socket = int;
#endif

class Local_Http_Server {
 public:
  // `response` is sent as it is (status line, headers, blank line, body); empty means the
  // server reads the request and never answers.
  explicit Local_Http_Server(std::string response) : response_(std::move(response)) {
    listener_ = Bound_Socket(port_);
    if (listen(listener_, 8) != 0) throw std::runtime_error("listen failed");
    thread_ = std::thread([this] { Serve(); });
  }
  ~Local_Http_Server() {
    stop_ = true;
    thread_.join();
    for (Socket fd : open_) close(fd);
    close(listener_);
  }
  Local_Http_Server(const Local_Http_Server&) = delete;
  Local_Http_Server& operator=(const Local_Http_Server&) = delete;

  // A 200 answer with `body` in the given status (e.g. "404 Not Found").
  static std::string Reply(const std::string& body, const std::string& status = "200 OK",
                           const std::string& extra_headers = "") {
    return "HTTP/1.0 " + status +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + extra_headers + "\r\n" + body;
  }

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // The heads of the requests received so far.
  std::vector<std::string> Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  static Socket Bound_Socket(int& port) {
    Socket fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd == static_cast<Socket>(-1)) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
      throw std::runtime_error("bind failed");
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
  }

  void Serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      Socket fd = accept(listener_, nullptr, nullptr);
      if (fd == static_cast<Socket>(-1)) continue;
      std::string head = Read_Head(fd);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(head);
      }
      if (response_.empty()) {
        open_.push_back(fd);  // held open, unanswered, until the server stops
        continue;
      }
      send(fd, response_.data(), response_.size(), MSG_NOSIGNAL);
      shutdown(fd, SHUT_WR);
      close(fd);
    }
  }

  std::string Read_Head(Socket fd) {
    std::string head;
    char buffer[1024];
    while (!stop_ && head.find("\r\n\r\n") == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      const auto n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      head.append(buffer, static_cast<size_t>(n));
    }
    return head;
  }

  std::string response_;
  Socket listener_ = static_cast<Socket>(-1);
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::vector<Socket> open_;
};

// A loopback port with a bound socket that does not listen: connections to it are refused
// for as long as the object lives.
class Refused_Port {
 public:
  Refused_Port() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Refused_Port() { close(fd_); }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  Socket fd_ = static_cast<Socket>(-1);
  int port_ = 0;
};

}  // namespace test
