#include "update/ping.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/socket.h>
#endif

#include <cerrno>
#include <vector>

#include "app/all_texts.h"
#include "update/icmp_echo.h"
#include "update/scripted_echo.h"
#include "update/update_messages.h"

namespace {

using test::Scripted_Echo;
using test::Virtual_Clock;

// The table the machine's echo client words its failures with.
const lang::Lang_Strings& English() {
  static const lang::Lang_Strings english = lang::English_Strings();
  return english;
}

struct Ping_Case {
  const char* name;
  std::function<int(int)> script;
  bool answered;
  UBoot::Ping_Status ping_res;
  int requests;
  int reply_ms = 1;
};

TEST(Send_Ping, Counts_Replies_Within_The_Window) {
  using enum UBoot::Ping_Status;
  const Ping_Case cases[] = {
      {"every request answered", [](int) { return 64; }, true, Data, 2},
      // 13 requests of 410 ms each: the first start after 5000 ms is not made.
      {"nobody answers", [](int) { return 0; }, false, No_Data, 13},
      {"one reply then timeouts", [](int n) { return n == 1 ? 64 : 0; }, false, No_Data, 14},
      {"timeouts then two replies", [](int n) { return n <= 4 ? 0 : 64; }, true, Data, 6},
      {"replies need not be consecutive", [](int n) { return n % 2 ? 64 : 0; }, true, Data, 3},
      // 12 timeouts take 4920 ms; the slow 13th reply ends past 5000 ms with the status "data".
      {"the window closes on a reply", [](int n) { return n == 13 ? 64 : 0; }, true, Data, 13, 300},
      {"raises at once", [](int) { return -1; }, false, No_Reply, 1},
      {"raises after a timeout", [](int n) { return n == 1 ? 0 : -1; }, false, No_Data, 2},
      {"raises after a reply", [](int n) { return n == 1 ? 64 : -1; }, false, Data, 2},
  };
  for (const Ping_Case& c : cases) {
    SCOPED_TRACE(c.name);
    Virtual_Clock clock;
    Scripted_Echo echo(clock, c.script);
    echo.reply_ms = c.reply_ms;
    UBoot::TPing ping(echo, clock);
    ping.ping_res = UBoot::Ping_Status::Data;  // every check starts from "no reply yet"
    int events = 0;
    const int64_t start = clock.now;
    EXPECT_EQ(ping.Send_Ping("10.1.2.3", [&] { ++events; }), c.answered);
    EXPECT_EQ(ping.ping_res, c.ping_res);
    EXPECT_EQ(echo.requests, c.requests);
    EXPECT_TRUE(ping.Not_Allowed.empty());
    // Window events are processed in the pause after every request that did not raise.
    EXPECT_EQ(events, echo.requests - (c.script(echo.requests) < 0 ? 1 : 0));
    EXPECT_LE(clock.now - start, 5000 + 410);
    for (const std::string& payload : echo.data) EXPECT_EQ(payload, "10.1.2.3");
  }
}

TEST(Send_Ping, Refused_Echo_Service_Is_Reported_Apart) {
  struct Refusing : UBoot::Echo_Service {
    int Echo(const std::string&, const std::string&, int) override {
      throw UBoot::Echo_Not_Allowed("raw socket: Operation not permitted");
    }
  } echo;
  Virtual_Clock clock;
  UBoot::TPing ping(echo, clock);
  EXPECT_FALSE(ping.Send_Ping("127.0.0.1", nullptr));
  EXPECT_EQ(ping.ping_res, UBoot::Ping_Status::No_Reply);
  EXPECT_EQ(ping.Not_Allowed, "raw socket: Operation not permitted");

  const lang::Lang_Strings strings = lang::English_Strings();
  const UBoot::Update_Message message =
      UBoot::Ping_Failure_Message(strings, ping, "/opt/rq/rq30517");
  EXPECT_FALSE(message.Warning);
  EXPECT_NE(message.Text.find("does not allow this program to send ping requests"),
            std::string::npos);
  EXPECT_NE(message.Text.find("(raw socket: Operation not permitted)"), std::string::npos);
  EXPECT_NE(message.Text.find("net.ipv4.ping_group_range"), std::string::npos);
  EXPECT_NE(message.Text.find("setcap cap_net_raw+ep /opt/rq/rq30517"), std::string::npos);
  EXPECT_EQ(message.Text.find("%"), std::string::npos);
}

TEST(Send_Ping, Failure_Message_Follows_The_Last_Status) {
  struct Nothing : UBoot::Echo_Service {
    int Echo(const std::string&, const std::string&, int) override { return 0; }
  } echo;
  Virtual_Clock clock;
  UBoot::TPing ping(echo, clock);
  const lang::Lang_Strings strings = lang::English_Strings();
  ping.ping_res = UBoot::Ping_Status::No_Data;
  EXPECT_TRUE(UBoot::Ping_Failure_Message(strings, ping, "x").Warning);
  EXPECT_EQ(UBoot::Ping_Failure_Message(strings, ping, "x").Text, "Device Not Found!");
  for (UBoot::Ping_Status status : {UBoot::Ping_Status::No_Reply, UBoot::Ping_Status::Data}) {
    ping.ping_res = status;
    EXPECT_FALSE(UBoot::Ping_Failure_Message(strings, ping, "x").Warning);
    EXPECT_EQ(UBoot::Ping_Failure_Message(strings, ping, "x").Text,
              "Error!!! Check the Ip Address");
  }
}

// An error that ends the check (here a network without a route) is not a device that does not
// answer: the message chosen by the last status is followed by the reason.
TEST(Send_Ping, The_Reason_Of_An_Echo_Error_Follows_The_Message) {
  const std::string unreachable = "Cannot send an echo request to 10.1.2.3: Network is unreachable";
  const struct {
    const char* name;
    int fail_at;  // the request that raises; 0: none does
    bool warning;
    std::string text;
  } cases[] = {
      {"raises at once", 1, false, "Error!!! Check the Ip Address\n\n" + unreachable},
      {"raises after a timeout", 3, true, "Device Not Found!\n\n" + unreachable},
      {"nobody answers", 0, true, "Device Not Found!"},
  };
  const lang::Lang_Strings strings = lang::English_Strings();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    struct Failing : UBoot::Echo_Service {
      int fail_at = 0, requests = 0;
      std::string reason;
      int Echo(const std::string&, const std::string&, int) override {
        if (++requests == fail_at) throw UBoot::Echo_Error(reason);
        return 0;
      }
    } echo;
    echo.fail_at = c.fail_at;
    echo.reason = unreachable;
    Virtual_Clock clock;
    UBoot::TPing ping(echo, clock);
    ping.Failure = "left from an earlier check";
    EXPECT_FALSE(ping.Send_Ping("10.1.2.3", nullptr));
    EXPECT_EQ(ping.Failure, c.fail_at ? unreachable : "");
    EXPECT_TRUE(ping.Not_Allowed.empty());
    const UBoot::Update_Message message = UBoot::Ping_Failure_Message(strings, ping, "x");
    EXPECT_EQ(message.Warning, c.warning);
    EXPECT_EQ(message.Text, c.text);
  }
}

TEST(Fill_Text, Either_Order_And_Values_Not_Rescanned) {
  EXPECT_EQ(UBoot::Fill_Text("a %1 b %2 c", "X", "Y"), "a X b Y c");
  EXPECT_EQ(UBoot::Fill_Text("%2 then %1", "X", "Y"), "Y then X");
  EXPECT_EQ(UBoot::Fill_Text("%1", "%2", "no"), "%2");
  EXPECT_EQ(UBoot::Fill_Text("100% sure %", "X"), "100% sure %");
}

TEST(Parse_IPv4, Only_Four_Decimal_Numbers) {
  struct Case {
    const char* host;
    bool ok;
    std::array<uint8_t, 4> octets;
  };
  const Case cases[] = {
      {"127.0.0.1", true, {127, 0, 0, 1}},
      {"255.255.255.255", true, {255, 255, 255, 255}},
      {"0.0.0.0", true, {0, 0, 0, 0}},
      {"010.001.008.09", true, {10, 1, 8, 9}},  // leading zeros are decimal, never octal
      {"0000000000000000127.0.0.1", true, {127, 0, 0, 1}},
      {"300.1.1.1", false, {}},
      {"1.2.3.256", false, {}},
      {"99999999999999999999.1.1.1", false, {}},
      {"abc", false, {}},
      {"localhost", false, {}},
      {"1.2.3", false, {}},
      {"1.2.3.4.5", false, {}},
      {"1..3.4", false, {}},
      {"1.2.3.", false, {}},
      {"", false, {}},
      {"...", false, {}},
      {" 1.2.3.4", false, {}},
      {"1.2.3.4 ", false, {}},
      {"+1.2.3.4", false, {}},
      {"0x7f.0.0.1", false, {}},
      {"2130706433", false, {}},  // one number for the whole address
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    const std::optional<std::array<uint8_t, 4>> octets = UBoot::Parse_IPv4(c.host);
    EXPECT_EQ(octets.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ(*octets, c.octets);
    }
  }
}

// The machine's echo client against the loopback address.
TEST(Icmp_Echo, Loopback_Answers) {
  UBoot::Icmp_Echo_Service echo(English());
  try {
    EXPECT_GT(echo.Echo("127.0.0.1", "127.0.0.1", 400), 0);
    EXPECT_GT(echo.Echo("127.0.0.1", "127.0.0.1", 400), 0);  // the next sequence number
    EXPECT_GT(echo.Echo("127.0.0.5", "127.0.0.5", 400), 0);
  } catch (const UBoot::Echo_Not_Allowed& e) {
    GTEST_SKIP() << "this machine allows neither ICMP socket: " << e.what();
  }
  UBoot::Real_Ping_Clock clock;
  UBoot::TPing ping(echo, clock);
  EXPECT_TRUE(ping.Send_Ping("127.0.0.1", nullptr));
  EXPECT_EQ(ping.ping_res, UBoot::Ping_Status::Data);
}

// Without the unprivileged datagram socket the client falls back to the raw one.
TEST(Icmp_Echo, Falls_Back_To_The_Raw_Socket) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows echoes through the system's ICMP helper: no socket to refuse";
#else
  UBoot::Icmp_Echo_Service echo(English(), [](int domain, int type, int protocol) {
    if (type == SOCK_DGRAM) {
      errno = EACCES;
      return -1;
    }
    return ::socket(domain, type, protocol);
  });
  try {
    EXPECT_GT(echo.Echo("127.0.0.1", "127.0.0.1", 400), 0);
  } catch (const UBoot::Echo_Not_Allowed& e) {
    GTEST_SKIP() << "this machine does not allow the raw socket: " << e.what();
  }
#endif
}

// The unprivileged datagram socket alone (the kernel sets the identifier to the socket's port).
TEST(Icmp_Echo, Datagram_Socket_Alone) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows echoes through the system's ICMP helper: no socket to refuse";
#else
  UBoot::Icmp_Echo_Service echo(English(), [](int domain, int type, int protocol) {
    if (type == SOCK_RAW) {
      errno = EPERM;
      return -1;
    }
    return ::socket(domain, type, protocol);
  });
  try {
    EXPECT_GT(echo.Echo("127.0.0.1", "127.0.0.1", 400), 0);
    EXPECT_GT(echo.Echo("127.0.0.1", "127.0.0.1", 400), 0);
  } catch (const UBoot::Echo_Not_Allowed& e) {
    GTEST_SKIP() << "net.ipv4.ping_group_range excludes this user: " << e.what();
  }
#endif
}

TEST(Icmp_Echo, Refused_Sockets_Raise_Not_Allowed_With_The_Reasons) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows echoes through the system's ICMP helper: no socket to refuse";
#else
  std::vector<int> types;
  UBoot::Icmp_Echo_Service echo(English(), [&](int, int type, int) {
    types.push_back(type);
    errno = type == SOCK_DGRAM ? EACCES : EPERM;
    return -1;
  });
  try {
    echo.Echo("127.0.0.1", "127.0.0.1", 400);
    ADD_FAILURE() << "no error";
  } catch (const UBoot::Echo_Not_Allowed& e) {
    EXPECT_STREQ(e.what(),
                 "ICMP datagram socket: Permission denied; raw socket: Operation not permitted");
  }
  EXPECT_EQ(types, (std::vector<int>{SOCK_DGRAM, SOCK_RAW}));
#endif
}

TEST(Icmp_Echo, Other_Socket_Failures_Are_Plain_Errors) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows echoes through the system's ICMP helper: no socket to refuse";
#else
  UBoot::Icmp_Echo_Service echo(English(), [](int, int, int) {
    errno = EMFILE;
    return -1;
  });
  try {
    echo.Echo("127.0.0.1", "127.0.0.1", 400);
    ADD_FAILURE() << "no error";
  } catch (const UBoot::Echo_Not_Allowed&) {
    ADD_FAILURE() << "reported as not allowed";
  } catch (const UBoot::Echo_Error& e) {
    EXPECT_NE(std::string(e.what()).find("Too many open files"), std::string::npos);
  }
#endif
}

// A host that is not an address raises before any socket is opened, so nothing is looked up
// or sent, and the check then ends without a reply (message 1037).
TEST(Icmp_Echo, Host_Text_That_Is_Not_An_Address_Raises_Before_Any_Socket) {
  int opened = 0;
  UBoot::Icmp_Echo_Service echo(English(), [&](int, int, int) {
    ++opened;
    errno = EPERM;
    return -1;
  });
  for (const char* host : {"300.0.0.1", "abc.0.0.1", "localhost", "1.2.3"}) {
    SCOPED_TRACE(host);
    EXPECT_THROW(echo.Echo(host, host, 400), UBoot::Echo_Error);
    Virtual_Clock clock;
    UBoot::TPing ping(echo, clock);
    EXPECT_FALSE(ping.Send_Ping(host, nullptr));
    EXPECT_EQ(ping.ping_res, UBoot::Ping_Status::No_Reply);
    EXPECT_TRUE(ping.Not_Allowed.empty());
    EXPECT_EQ(ping.Failure, "\"" + std::string(host) + "\" is not an IPv4 address");
  }
  EXPECT_EQ(opened, 0);
}

}  // namespace
