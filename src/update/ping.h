// Device reachability check: the echo requests that the update dialog sends before it starts the
// updater, counting the replies that carry data. The echo service and the clock are interfaces so
// that the check runs against a scripted device and a virtual clock in tests.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace UBoot {

// The echo service could not do what was asked: the host text is not an address, a socket call
// failed. what() is the reason.
class Echo_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system refuses this program the sockets that send echo requests. what() is the system's
// reason for each kind of socket tried.
class Echo_Not_Allowed : public Echo_Error {
 public:
  using Echo_Error::Echo_Error;
};

// The host rule of the echo service: exactly four decimal numbers 0..255 joined by ".", leading
// zeros read as decimal. Nothing else (no blanks, signs, hexadecimal, octal or names).
std::optional<std::array<uint8_t, 4>> Parse_IPv4(std::string_view host);

// Sends ICMP echo requests to IPv4 hosts.
class Echo_Service {
 public:
  virtual ~Echo_Service() = default;
  // Sends one echo request to `host` (dotted text, Parse_IPv4) carrying `data` and waits at most
  // `timeout_ms` for its reply. Returns the reply's received byte count: 0 when no reply came in
  // time. Throws Echo_Error when the host is not an address or the service cannot be used
  // (Echo_Not_Allowed when the system forbids it).
  virtual int Echo(const std::string& host, const std::string& data, int timeout_ms) = 0;
};

// Millisecond tick count and sleeping, the only time the check uses.
class Ping_Clock {
 public:
  virtual ~Ping_Clock() = default;
  virtual int64_t Tick_Ms() = 0;
  virtual void Sleep_Ms(int ms) = 0;
};

// The steady clock of the machine.
class Real_Ping_Clock : public Ping_Clock {
 public:
  int64_t Tick_Ms() override;
  void Sleep_Ms(int ms) override;
};

constexpr int Ping_Timeout_Ms = 400;  // receive timeout of one echo request
constexpr int Ping_Window_Ms = 5000;  // no new request starts after this
constexpr int Ping_Slice_Ms = 10;     // sleep between looks at the reply status

// The status of the last echo reply of a check.
enum class Ping_Status {
  No_Reply = 0,  // no reply event yet in this check
  Data = 1,      // the last reply carried data
  No_Data = 2,   // the last reply carried none (a time-out)
};

// One reachability check at a time, with the status the update dialog reads afterwards.
class TPing {
 public:
  TPing(Echo_Service& echo, Ping_Clock& clock) : echo_(echo), clock_(clock) {}

  Ping_Status ping_res = Ping_Status::No_Reply;
  // The system's reason when the last check ended because this program may not send echo
  // requests; empty otherwise.
  std::string Not_Allowed;
  // The echo service's reason when an error ended the last check (the host text is not an
  // address, the network cannot be reached, ...); empty when the check ran its course.
  std::string Failure;

  // Pings `host` until two replies with data came or 5000 ms have passed, calling
  // `process_events` in every 10 ms pause. True when the last reply carried data. Any error of
  // the echo service ends the check at once with false, ping_res keeping its value and Failure
  // holding the reason.
  bool Send_Ping(const std::string& host, const std::function<void()>& process_events);

  // The reply event of the echo service.
  void PingReply(int received_bytes);

 private:
  Echo_Service& echo_;
  Ping_Clock& clock_;
};

}  // namespace UBoot
