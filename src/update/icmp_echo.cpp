#include "update/icmp_echo.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <type_traits>
#include <vector>

#include "update/update_strings.h"
#include "util/files.h"
#include "util/utf.h"

#ifdef _WIN32
// The Windows headers must come in this order.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on
#ifdef _MSC_VER
#pragma comment(lib, "iphlpapi.lib")
#endif
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace UBoot {

namespace {

// The four octets of `host` by the echo service's host rule; anything else is an Echo_Error.
std::array<uint8_t, 4> Address_Of(const std::string& host, const lang::Lang_Strings& texts) {
  const std::optional<std::array<uint8_t, 4>> octets = Parse_IPv4(host);
  if (!octets) throw Echo_Error("\"" + host + "\"" + texts[update_strings::Text_Echo_Not_IPv4]);
  return *octets;
}

}  // namespace

#ifdef _WIN32

namespace {

// The system's text for an ICMP helper status, with its number.
std::string Status_Text(DWORD status, const lang::Lang_Strings& texts) {
  WCHAR text[256];
  DWORD size = 256;
  std::string reason = texts[update_strings::Text_Echo_IP_Status] + std::to_string(status);
  if (GetIpErrorString(static_cast<IP_STATUS>(status), text, &size) == NO_ERROR)
    reason += ": " + util::Wide_To_Utf8(text);
  return reason;
}

// A request that went out and found no device: the check counts it as a reply without data.
// Anything else (no route to the network, a bad destination, a local failure) is an error.
bool Device_Did_Not_Answer(DWORD status) {
  return status == IP_REQ_TIMED_OUT || status == IP_DEST_HOST_UNREACHABLE;
}

// The header keeps the helper's handle as the type HANDLE stands for.
static_assert(std::is_same_v<HANDLE, void*>);

}  // namespace

// The system's ICMP helper needs no privilege, so the socket opener is not used here.
Icmp_Echo_Service::Icmp_Echo_Service(const lang::Lang_Strings& texts) : texts_(texts) {}
Icmp_Echo_Service::Icmp_Echo_Service(const lang::Lang_Strings& texts, Socket_Opener open_socket)
    : texts_(texts), open_socket_(std::move(open_socket)) {}

Icmp_Echo_Service::~Icmp_Echo_Service() {
  if (handle_ != nullptr) IcmpCloseHandle(static_cast<HANDLE>(handle_));
}

void Icmp_Echo_Service::Open() {
  if (handle_ != nullptr) return;
  HANDLE handle = IcmpCreateFile();
  if (handle == INVALID_HANDLE_VALUE)
    throw Echo_Error(texts_[update_strings::Text_Echo_Helper_Failed] +
                     util::System_Error_Text(GetLastError()));
  handle_ = handle;
}

int Icmp_Echo_Service::Echo(const std::string& host, const std::string& data, int timeout_ms) {
  const std::array<uint8_t, 4> octets = Address_Of(host, texts_);
  Open();
  IPAddr address;
  std::memcpy(&address, octets.data(), 4);
  std::vector<char> request(data.begin(), data.end());
  // Room for one reply, its data and an ICMP error's payload.
  std::vector<char> reply(sizeof(ICMP_ECHO_REPLY) + data.size() + 8 + 64);
  const DWORD replies = IcmpSendEcho(
      static_cast<HANDLE>(handle_), address, request.data(), static_cast<WORD>(request.size()),
      nullptr, reply.data(), static_cast<DWORD>(reply.size()), static_cast<DWORD>(timeout_ms));
  const auto* echo = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.data());
  const DWORD status = replies == 0 ? GetLastError() : echo->Status;
  if (replies != 0 && status == IP_SUCCESS) return static_cast<int>(echo->DataSize);
  if (Device_Did_Not_Answer(status)) return 0;
  throw Echo_Error(texts_[update_strings::Text_Echo_Send_Failed] + host + ": " +
                   Status_Text(status, texts_));
}

#else

namespace {

std::string Reason(int error) { return util::System_Error_Text(error); }

bool Permission_Refused(int error) { return error == EPERM || error == EACCES; }

// The Internet checksum of the ICMP message (the datagram socket's kernel sets its own).
uint16_t Checksum(const std::vector<uint8_t>& message) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < message.size(); i += 2) sum += (message[i] << 8) | message[i + 1];
  if (message.size() % 2) sum += message.back() << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

constexpr uint8_t Icmp_Echo_Request = 8;
constexpr uint8_t Icmp_Echo_Reply = 0;
constexpr size_t Icmp_Header_Size = 8;

}  // namespace

Icmp_Echo_Service::Icmp_Echo_Service(const lang::Lang_Strings& texts)
    : Icmp_Echo_Service(texts, [](int domain, int type, int protocol) {
        return ::socket(domain, type, protocol);
      }) {}

Icmp_Echo_Service::Icmp_Echo_Service(const lang::Lang_Strings& texts, Socket_Opener open_socket)
    : texts_(texts), open_socket_(std::move(open_socket)) {}

Icmp_Echo_Service::~Icmp_Echo_Service() {
  if (fd_ >= 0) ::close(fd_);
}

void Icmp_Echo_Service::Open() {
  if (fd_ >= 0) return;
  int fd = open_socket_(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
  if (fd >= 0) {
    datagram_ = true;
  } else {
    const int datagram_error = errno;
    fd = open_socket_(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (fd < 0) {
      const int raw_error = errno;
      const std::string reason = texts_[update_strings::Text_Echo_Datagram_Socket] +
                                 Reason(datagram_error) +
                                 texts_[update_strings::Text_Echo_Raw_Socket] + Reason(raw_error);
      // The raw socket is the last resort: when the system refuses it for lack of privilege,
      // the user's address is not what is wrong.
      if (Permission_Refused(raw_error)) throw Echo_Not_Allowed(reason);
      throw Echo_Error(reason);
    }
    datagram_ = false;
    identifier_ = htons(static_cast<uint16_t>(getpid()));
  }
  // The updater started after the check must not inherit the socket.
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  fd_ = fd;
}

int Icmp_Echo_Service::Echo(const std::string& host, const std::string& data, int timeout_ms) {
  const std::array<uint8_t, 4> octets = Address_Of(host, texts_);
  Open();

  sockaddr_in to{};
  to.sin_family = AF_INET;
  std::memcpy(&to.sin_addr, octets.data(), 4);

  ++sequence_;
  std::vector<uint8_t> request(Icmp_Header_Size + data.size());
  request[0] = Icmp_Echo_Request;
  std::memcpy(&request[4], &identifier_, 2);
  request[6] = static_cast<uint8_t>(sequence_ >> 8);
  request[7] = static_cast<uint8_t>(sequence_);
  std::memcpy(request.data() + Icmp_Header_Size, data.data(), data.size());
  const uint16_t checksum = Checksum(request);
  request[2] = static_cast<uint8_t>(checksum >> 8);
  request[3] = static_cast<uint8_t>(checksum);

  if (sendto(fd_, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to) < 0)
    throw Echo_Error(texts_[update_strings::Text_Echo_Send_Failed] + host + ": " + Reason(errno));
  if (datagram_) {
    // The kernel puts the socket's port into the identifier of every request it sends, and
    // delivers to this socket only the replies that carry it.
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) == 0)
      identifier_ = local.sin_port;
  }

  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::vector<uint8_t> buffer(65536);
  for (;;) {
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (remaining <= 0) return 0;
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(remaining));
    if (ready < 0 && errno != EINTR)
      throw Echo_Error(texts_[update_strings::Text_Echo_Wait_Failed] + Reason(errno));
    if (ready <= 0) continue;

    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    const ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&from), &from_length);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      throw Echo_Error(texts_[update_strings::Text_Echo_Read_Failed] + Reason(errno));
    }
    size_t offset = 0;
    if (!datagram_) {
      // A raw socket delivers the IP header too, and every ICMP message of the machine,
      // our own requests on the loopback included.
      if (n < 20) continue;
      offset = static_cast<size_t>(buffer[0] & 0x0F) * 4;
    }
    if (static_cast<size_t>(n) < offset + Icmp_Header_Size) continue;
    const uint8_t* reply = buffer.data() + offset;
    uint16_t identifier;
    std::memcpy(&identifier, reply + 4, 2);
    const uint16_t sequence = static_cast<uint16_t>((reply[6] << 8) | reply[7]);
    if (reply[0] != Icmp_Echo_Reply || reply[1] != 0 || identifier != identifier_ ||
        sequence != sequence_ || from.sin_addr.s_addr != to.sin_addr.s_addr)
      continue;
    return static_cast<int>(static_cast<size_t>(n) - offset);
  }
}

#endif

}  // namespace UBoot
