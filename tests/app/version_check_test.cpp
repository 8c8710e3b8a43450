#include "app/version_check.h"

#include <gtest/gtest.h>

#include <chrono>

#include "app/local_http_server.h"
#include "app/web_links.h"

namespace {

TEST(Conv_Version, Reads_The_Version_After_The_First_Blank) {
  const struct {
    const char* text;
    std::optional<int> expected;
  } cases[] = {
      {"1.001", 1001},
      {"VER. 1.002", 1002},
      {"ver.   1.010  ", 1010},
      {"VER. 0.000", 0},
      {"VER. 1.0015", 1001},
      {"a b 1.001", std::nullopt},
      {"VER. 1.01", std::nullopt},
      {"", std::nullopt},
      {"VER.", std::nullopt},
      {"VER. 1.0a1", std::nullopt},
      {"VER. 12.34", std::nullopt},
      {"VER.1.001", std::nullopt},
      {"VER. 1,001", 1001},
      {"<html>", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(app::Conv_Version(c.text), c.expected) << c.text;
}

TEST(Is_Newer_Version, Compares_The_Published_Version_With_Ours) {
  const struct {
    const char* answer;
    bool newer;
  } cases[] = {
      {"", false},
      {"   \r\n", false},
      {"VER. 0.000", false},
      {"ver. 0.000", false},
      {"VER. 1.001", false},  // the same version
      {"VER. 1.000", false},  // older
      {"VER. 1.010", true},
      {"ver. 1.002", true},
      {"\r\n  VER. 2.000 \r\n", true},
      {"VER. 1.0", false},  // too short
      {"VER", false},
      {"<html><body>Not here</body></html>", false},
      {"VER. x.yyy", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(app::Is_Newer_Version(c.answer, "1.001"), c.newer) << '"' << c.answer << '"';
  EXPECT_FALSE(app::Is_Newer_Version("VER. 1.010", "bad"));
}

TEST(Query_Version, Sends_A_Plain_Http10_Get_With_The_Products_Headers) {
  test::Local_Http_Server server(test::Local_Http_Server::Reply("VER. 1.010"));
  EXPECT_EQ(app::Query_Version(server.Url()), "VER. 1.010");
  EXPECT_TRUE(app::Check_Version(server.Url(), "1.001"));

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string& head = requests[0];
  EXPECT_EQ(head.substr(0, head.find("\r\n")),
            std::string("GET ") + app::Version_Query_Path + " HTTP/1.0");
  EXPECT_EQ(head.substr(0, head.find("\r\n")),
            "GET /home/download/GetversionSW.asp?nomesw=RQ30517 HTTP/1.0");
  EXPECT_NE(head.find("\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;"
                      "q=0.8\r\n"),
            std::string::npos)
      << head;
  EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"),
            std::string::npos)
      << head;
  EXPECT_EQ(head.find("Cookie"), std::string::npos) << head;
}

TEST(Query_Version, Answers_Outside_Two_Hundred_Are_No_Answer) {
  using Server = test::Local_Http_Server;
  const std::string newer = "VER. 1.010";
  for (const char* status : {"404 Not Found", "500 Internal Server Error"}) {
    Server server(Server::Reply(newer, status));
    EXPECT_EQ(app::Query_Version(server.Url()), "") << status;
    EXPECT_FALSE(app::Check_Version(server.Url(), "1.001")) << status;
  }
  // A redirect is not followed, even to a page that would report an update.
  Server target(Server::Reply(newer));
  Server redirect(Server::Reply(newer, "302 Found",
                                "Location: " + target.Url() + app::Version_Query_Path + "\r\n"));
  EXPECT_FALSE(app::Check_Version(redirect.Url(), "1.001"));
  EXPECT_TRUE(target.Requests().empty());
}

TEST(Query_Version, An_Oversized_Answer_Is_Dropped) {
  test::Local_Http_Server server(
      test::Local_Http_Server::Reply("VER. 1.010" + std::string(200000, ' ')));
  EXPECT_EQ(app::Query_Version(server.Url()), "");
}

TEST(Query_Version, Refused_Connection_Gives_No_Answer) {
  test::Refused_Port port;
  EXPECT_EQ(app::Query_Version(port.Url()), "");
  EXPECT_FALSE(app::Check_Version(port.Url(), "1.001"));
}

TEST(Query_Version, A_Server_That_Never_Answers_Ends_At_The_Time_Out) {
  test::Local_Http_Server silent("");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(app::Check_Version(silent.Url(), "1.001", 300));
  const auto waited = std::chrono::steady_clock::now() - start;
  // The query gives up by itself instead of waiting for the server (far below the default).
  EXPECT_LT(waited, std::chrono::seconds(4));
  EXPECT_EQ(silent.Requests().size(), 1u);
}

}  // namespace
