#include "update/ping.h"

#include <chrono>
#include <thread>

namespace UBoot {

std::optional<std::array<uint8_t, 4>> Parse_IPv4(std::string_view host) {
  std::array<uint8_t, 4> parsed{};
  size_t pos = 0;
  for (size_t part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= host.size() || host[pos] != '.') return std::nullopt;
      ++pos;
    }
    const size_t start = pos;
    unsigned value = 0;
    while (pos < host.size() && host[pos] >= '0' && host[pos] <= '9') {
      value = value * 10 + static_cast<unsigned>(host[pos] - '0');
      if (value > 255) return std::nullopt;  // also keeps a long run of digits from overflowing
      ++pos;
    }
    if (pos == start) return std::nullopt;
    parsed[part] = static_cast<uint8_t>(value);
  }
  if (pos != host.size()) return std::nullopt;
  return parsed;
}

int64_t Real_Ping_Clock::Tick_Ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Real_Ping_Clock::Sleep_Ms(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TPing::PingReply(int received_bytes) {
  ping_res = received_bytes > 0 ? Ping_Status::Data : Ping_Status::No_Data;
}

bool TPing::Send_Ping(const std::string& host, const std::function<void()>& process_events) {
  ping_res = Ping_Status::No_Reply;
  Not_Allowed.clear();
  Failure.clear();
  const int64_t t0 = clock_.Tick_Ms();
  int good = 0;
  try {
    for (;;) {
      const int64_t t = clock_.Tick_Ms();
      // The host text itself travels as the request's data.
      PingReply(echo_.Echo(host, host, Ping_Timeout_Ms));
      do {
        clock_.Sleep_Ms(Ping_Slice_Ms);
        if (process_events) process_events();
      } while (ping_res == Ping_Status::No_Reply && clock_.Tick_Ms() - t <= Ping_Timeout_Ms);
      if (ping_res == Ping_Status::Data) ++good;
      if (good >= 2) break;
      if (clock_.Tick_Ms() - t0 > Ping_Window_Ms) break;
    }
  } catch (const Echo_Not_Allowed& e) {
    Not_Allowed = Failure = e.what();
    return false;
  } catch (const std::exception& e) {
    // Kept on the ping, whose caller words it (the update dialog): the echo failed.
    Failure = e.what();
    return false;
  }
  return ping_res == Ping_Status::Data;
}

}  // namespace UBoot
