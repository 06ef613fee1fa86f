#include "report/http_request.h"

#include <gtest/gtest.h>

#include "tests/support/test_server.h"

using lumacast_test::TestServer;

namespace {

class HttpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.ok()) << server_.error();
    InitHttpGlobals();
    GlobalCookies().clear();
  }
  void TearDown() override { GlobalCookies().clear(); }

  TestServer server_;
};

const char* const kOurHeaders[] = {"Accept-Charset", "Accept-Encoding", "Accept-Language",
                                   "Cache-Control",  "Connection",      "Cookie",
                                   "User-Agent"};

}  // namespace

TEST_F(HttpRequestTest, SendsFixedHeadersAndCookiesInNameOrder) {
  SetGlobalCookie("os", "windows");
  SetGlobalCookie("appname", "A");
  HttpRequest request;
  std::string response;
  ASSERT_EQ(request.Post(&response, "body bytes"), 0);
  EXPECT_EQ(response, "ok");
  EXPECT_EQ(request.attemptsMade(), 1);

  auto records = server_.Records("report");
  ASSERT_EQ(records.size(), 1u);
  const auto& r = records[0];
  EXPECT_EQ(r.requestLine, "POST /caller?c=site&a=reportEvent HTTP/1.1");
  EXPECT_EQ(r.body, "body bytes");
  EXPECT_EQ(r.Header("Cookie"), "appname=A;os=windows;");
  EXPECT_EQ(r.Header("User-Agent").size(), 126u);
  // Our lines keep their byte order among whatever libcurl adds.
  size_t next = 0;
  for (const char* name : kOurHeaders) {
    size_t at = next;
    while (at < r.headerLines.size() && r.headerLines[at].rfind(std::string(name) + ": ", 0) != 0) {
      ++at;
    }
    ASSERT_LT(at, r.headerLines.size()) << name << " missing or out of order";
    next = at + 1;
  }
}

TEST_F(HttpRequestTest, CookieRulesAndNoCookieHeaderWhenEmpty) {
  SetGlobalCookie("os", "windows");
  SetGlobalCookie("os", "x");
  ASSERT_EQ(GlobalCookies().size(), 1u);
  EXPECT_EQ(GlobalCookies()["os"], "x");
  GlobalCookies().clear();

  HttpRequest request;
  request.AddHeader("Connection", "keep-alive");  // the first value stays
  EXPECT_EQ(request.headers().at("Connection"), "close");
  std::string response;
  ASSERT_EQ(request.Post(&response, ""), 0);
  auto records = server_.Records("report");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Header("Cookie"), "");
}

// A value that could end the header or add one of its own is never sent.
TEST(CookieHeaderTest, CookiesThatCouldSplitTheHeaderAreLeftOut) {
  const std::map<std::string, std::string> cookies = {
      {"appname", "A"},          {"imei", "x;admin=1"},   {"os", "win\r\nX-Evil: 1"},
      {"system", "Windows 10"},  {"channel", "a\"b"},     {"k=v", "1"},
      {"appver", "1.0.0.0"},     {"lf", "a\nb"},
  };
  EXPECT_EQ(CookieHeaderText(cookies), "appname=A;appver=1.0.0.0;system=Windows 10;");
  EXPECT_EQ(CookieHeaderText({}), "");
}

TEST_F(HttpRequestTest, ServerErrorStatusCountsAsSuccess) {
  ASSERT_TRUE(server_.Push("report", R"([{"action":"status","status":500}])"));
  HttpRequest request;
  std::string response;
  EXPECT_EQ(request.Post(&response, "x"), 0);
  EXPECT_EQ(request.attemptsMade(), 1);
}

TEST_F(HttpRequestTest, FailedTransfersAreTriedExactlyTwice) {
  ASSERT_TRUE(server_.Push("report", R"([{"action":"drop"},{"action":"drop"}])"));
  HttpRequest request;
  std::string response;
  EXPECT_NE(request.Post(&response, "x"), 0);
  EXPECT_EQ(request.attemptsMade(), 2);
  EXPECT_EQ(server_.Records("report").size(), 2u);
  // Each attempt carries every header once.
  for (const auto& r : server_.Records("report")) {
    EXPECT_EQ(std::count(r.headerLines.begin(), r.headerLines.end(), "Connection: close"), 1);
  }

  HttpRequest unreachable;
  unreachable.set_url("http://127.0.0.1:1/caller?c=site&a=reportEvent");
  EXPECT_EQ(unreachable.Post(&response, "x"), 7);  // CURLE_COULDNT_CONNECT
  EXPECT_EQ(unreachable.attemptsMade(), 2);
}

TEST_F(HttpRequestTest, ResponseKeepsBytesBeforeAZeroInEachBlock) {
  std::string response;
  char block[] = {'a', 'b', '\0', 'c', 'd'};
  EXPECT_EQ(HttpRequest::AppendResponse(block, 1, sizeof(block), &response), sizeof(block));
  EXPECT_EQ(response, "ab");

  ASSERT_TRUE(server_.Push("report", R"([{"action":"status","status":200,"body":"ab\u0000cd"}])"));
  HttpRequest request;
  response.clear();
  ASSERT_EQ(request.Post(&response, "x"), 0);
  EXPECT_EQ(response, "ab");
}
