// The machine's ICMP echo client (IPv4 only). On Linux it uses an unprivileged ICMP datagram
// socket where the system allows one (net.ipv4.ping_group_range) and a raw socket otherwise
// (CAP_NET_RAW); on Windows the system's ICMP helper, which needs no privilege.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "text/lang_strings.h"
#include "update/ping.h"

namespace UBoot {

// Opens a socket like socket(2): a descriptor, or -1 with errno set. Tests pass one that refuses.
using Socket_Opener = std::function<int(int domain, int type, int protocol)>;

// Its failures (Echo_Error, Echo_Not_Allowed) are worded with `texts`, which must outlive it.
class Icmp_Echo_Service : public Echo_Service {
 public:
  explicit Icmp_Echo_Service(const lang::Lang_Strings& texts);  // opens sockets with socket(2)
  Icmp_Echo_Service(const lang::Lang_Strings& texts, Socket_Opener open_socket);
  ~Icmp_Echo_Service() override;
  Icmp_Echo_Service(const Icmp_Echo_Service&) = delete;
  Icmp_Echo_Service& operator=(const Icmp_Echo_Service&) = delete;

  int Echo(const std::string& host, const std::string& data, int timeout_ms) override;

 private:
  // Opens the socket at the first request and keeps it for the next ones.
  void Open();

  const lang::Lang_Strings& texts_;
  Socket_Opener open_socket_;
#ifdef _WIN32
  void* handle_ = nullptr;  // the ICMP helper's HANDLE (windows.h stays out of this header)
#else
  int fd_ = -1;
  bool datagram_ = false;    // an ICMP datagram socket: the kernel sets identifier and checksum
  uint16_t identifier_ = 0;  // as it travels (network byte order)
  uint16_t sequence_ = 0;
#endif
};

}  // namespace UBoot
