#include "report/event_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "base/framework_thread.h"
#include "base/thread_registry.h"
#include "report/http_request.h"
#include "tests/support/test_server.h"

TEST(EncodeTest, OnlyAsciiLettersAndDigitsPass) {
  EXPECT_EQ(Encode("a b%c"), "a%20b%25c");
  EXPECT_EQ(Encode("2024-05-06 07:08:09"), "2024%2D05%2D06%2007%3A08%3A09");
  EXPECT_EQ(Encode("\xC3\xA9\x7F"), "%C3%A9%7F");
  EXPECT_EQ(Encode(std::string("\0z", 2)), "%00z");
  EXPECT_EQ(Encode("AZaz09"), "AZaz09");
}

TEST(ReportTextTest, MatchesTheAppStartExampleByteForByte) {
  std::tm when = {};
  when.tm_year = 2024 - 1900;
  when.tm_mon = 4;
  when.tm_mday = 6;
  when.tm_hour = 7;
  when.tm_min = 8;
  when.tm_sec = 9;
  ReportFields fields = {{"FirstStart", "true"}, {"Dpi", "96"}, {"Scale", "100"}};
  EXPECT_EQ(BuildReportText("AppStart", fields, "U", 0, when),
            "{\"a\":\"reportEvent\",\"action\":\"AppStart\",\"c\":\"site\",\"class\":"
            "\"LumaCastInstaller\",\"data\":\"%7B%22Dpi%22%3A%2296%22%2C%22FirstStart%22%3A%"
            "22true%22%2C%22Scale%22%3A%22100%22%2C%22imei%22%3A%22U%22%7D\",\"position\":\"0\","
            "\"result\":\"ok\",\"time_create\":\"2024%2D05%2D06%2007%3A08%3A09\"}");
}

TEST(ReportTextTest, FieldValuesAreEncodedTwiceAndImeiComesLast) {
  EXPECT_EQ(BuildDataText({}, "ID"), "{\"imei\":\"ID\"}");
  EXPECT_EQ(BuildDataText({{"b", "x y"}, {"A", "1"}}, "ID"),
            "{\"A\":\"1\",\"b\":\"x%20y\",\"imei\":\"ID\"}");
  std::string report = BuildReportText("X", {{"path", "x y"}}, "ID", 3, std::tm{});
  EXPECT_NE(report.find("x%2520y"), std::string::npos);
  EXPECT_NE(report.find("\"position\":\"3\""), std::string::npos);
}

// The id comes from the user's registry: whatever it holds stays inside its
// JSON string.
TEST(ReportTextTest, ImeiIsEscapedAsAJsonString) {
  EXPECT_EQ(BuildDataText({}, "a\",\"admin\":\"1"), "{\"imei\":\"a\\\",\\\"admin\\\":\\\"1\"}");
  EXPECT_EQ(JsonStringText("back\\slash\r\n\x01"), "back\\\\slash\\u000d\\u000a\\u0001");
  EXPECT_EQ(JsonStringText("0123456789ABCDEF-\xC3\xA9"), "0123456789ABCDEF-\xC3\xA9");
}

TEST(ReportPositionTest, EveryReportTakesItsOwnNumber) {
  constexpr int kThreads = 4, kEach = 2000;
  std::vector<std::vector<int>> taken(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&taken, t] {
      for (int i = 0; i < kEach; ++i) taken[t].push_back(TakeReportPosition());
    });
  }
  for (auto& t : threads) t.join();
  std::vector<int> all;
  for (auto& list : taken) all.insert(all.end(), list.begin(), list.end());
  std::sort(all.begin(), all.end());
  for (size_t i = 1; i < all.size(); ++i) ASSERT_EQ(all[i], all[i - 1] + 1);
}

namespace {

// The thread identifier the tests send reports from.
constexpr int kTestReportThreadId = 6;

// A stand-in for the program's "http Thread".
class HttpThread : public nbase::FrameworkThread {
 public:
  HttpThread() : FrameworkThread("http Thread") {}
  ~HttpThread() override { Stop(); }

 protected:
  void OnThreadStart() override { nbase::ThreadRegistry::Get().BindIdentifier(kTestReportThreadId); }
  void OnThreadStop() override { nbase::ThreadRegistry::Get().ReleaseIdentifier(); }
};

}  // namespace

TEST(ReportEventTest, QueuedReportsReachTheServerInOrder) {
  lumacast_test::TestServer server;
  ASSERT_TRUE(server.ok()) << server.error();
  InitHttpGlobals();
  SetReportThread(kTestReportThreadId);
  HttpThread thread;
  ASSERT_TRUE(thread.Launch());
  ReportEvent("OnClick", {{"ClickSrc", "btn_startinstall"}});
  ReportEvent("offline", {{"result", "1"}});
  auto records = server.WaitForRecords("report", 2, 10000);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[0].body.find("\"action\":\"OnClick\""), std::string::npos);
  EXPECT_NE(records[1].body.find("\"action\":\"offline\""), std::string::npos);
}

TEST(ReportEventTest, FailedSendsChangeNothingVisible) {
  lumacast_test::TestServer server;
  ASSERT_TRUE(server.ok()) << server.error();
  // No HTTP thread: the report is dropped, only its number is used up.
  int before = TakeReportPosition();
  ReportEvent("AppStart", {});
  EXPECT_EQ(TakeReportPosition(), before + 2);

  // A server that drops the connection: both attempts fail quietly and the
  // next report still goes out.
  ASSERT_TRUE(server.Push("report", R"([{"action":"drop"},{"action":"drop"}])"));
  InitHttpGlobals();
  auto cookies = GlobalCookies();
  SetReportThread(kTestReportThreadId);
  HttpThread thread;
  ASSERT_TRUE(thread.Launch());
  ReportEvent("lost", {});
  ReportEvent("kept", {});
  auto records = server.WaitForRecords("report", 3, 10000);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_NE(records[2].body.find("\"action\":\"kept\""), std::string::npos);
  EXPECT_EQ(GlobalCookies(), cookies);
}
