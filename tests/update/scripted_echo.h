// A scripted device and a virtual clock for the reachability check, shared by the core and the
// window tests: no packet is sent and no real time passes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "update/ping.h"

namespace test {

// Time moves only when the check sleeps or an echo request waits.
struct Virtual_Clock : UBoot::Ping_Clock {
  int64_t now = 100000;
  int64_t Tick_Ms() override { return now; }
  void Sleep_Ms(int ms) override { now += ms; }
};

// A device that answers request n (from 1) as `script(n)` says: received bytes (after reply_ms),
// 0 for a timeout (which takes the whole receive timeout), or -1 to raise.
struct Scripted_Echo : UBoot::Echo_Service {
  Virtual_Clock& clock;
  std::function<int(int)> script;
  int reply_ms = 1;
  int requests = 0;
  std::vector<std::string> hosts, data;
  Scripted_Echo(Virtual_Clock& c, std::function<int(int)> s) : clock(c), script(std::move(s)) {}
  int Echo(const std::string& host, const std::string& payload, int timeout_ms) override {
    hosts.push_back(host);
    data.push_back(payload);
    int answer = script(++requests);
    if (answer < 0) throw UBoot::Echo_Error("scripted failure");
    clock.now += answer == 0 ? timeout_ms : reply_ms;
    return answer;
  }
};

}  // namespace test
