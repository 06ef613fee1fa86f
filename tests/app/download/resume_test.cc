// Resuming the setup download: the rules for a response, then whole download
// runs against the test server with cut, altered and misbehaving mirrors.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/download/resume_point.h"
#include "app/download/setup_download.h"
#include "base/utf.h"
#include "tests/app/download/url_cache.h"
#include "tests/support/test_server.h"
#include "demo_paths.h"

namespace fs = std::filesystem;
using lumacast_test::TestServer;

namespace {

ResponseHead Head(const std::string& text) {
  ResponseHead head;
  head.AddLines(text);
  return head;
}

PartialDownload Kept(int64_t kept, int64_t total, const std::string& validator) {
  PartialDownload partial;
  partial.kept = kept;
  partial.total = total;
  partial.validator = validator;
  return partial;
}

TEST(ResumeRulesTest, ReadsTheLastHeadOfARedirectChain) {
  const ResponseHead head = Head(
      "HTTP/1.1 302 Found\r\nLocation: /x\r\nETag: \"old\"\r\n\r\n"
      "HTTP/1.1 206 Partial Content\r\ncontent-range: bytes 100-999/1000\r\nContent-Length: 900\r\n"
      "ETAG: \"v1\"\r\nLast-Modified: Wed, 09 Dec 2026 07:51:18 GMT\r\n\r\n");
  EXPECT_EQ(head.status, 206);
  EXPECT_EQ(head.range_first, 100);
  EXPECT_EQ(head.range_last, 999);
  EXPECT_EQ(head.range_total, 1000);
  EXPECT_EQ(head.content_length, 900);
  EXPECT_EQ(head.Validator(), "\"v1\"");

  EXPECT_EQ(Head("HTTP/1.1 200 OK\r\nETag: W/\"v1\"\r\nLast-Modified: Mon\r\n").Validator(), "")
      << "a weak ETag is no ground for splicing bytes";
  EXPECT_EQ(Head("HTTP/1.1 200 OK\r\nLast-Modified: Mon\r\n").Validator(), "Mon");
  EXPECT_EQ(Head("HTTP/1.1 416 X\r\nContent-Range: bytes */1000\r\n").range_total, 1000);
  EXPECT_EQ(Head("HTTP/1.1 206 X\r\nContent-Range: bytes 9-1/1000\r\n").range_first, -1);
}

TEST(ResumeRulesTest, AppendsOnlyAnExactContinuationOfTheSameFile) {
  const PartialDownload kept = Kept(100, 1000, "\"v1\"");
  const std::string part = "HTTP/1.1 206 P\r\nContent-Range: bytes 100-999/1000\r\n";
  EXPECT_EQ(PlanBody(100, kept, Head(part + "ETag: \"v1\"\r\n")), BodyPlan::kAppend);
  EXPECT_EQ(PlanBody(100, kept, Head(part + "ETag: \"v2\"\r\n")), BodyPlan::kRefuse);
  EXPECT_EQ(PlanBody(100, kept, Head(part)), BodyPlan::kRefuse) << "no validator to check by";
  EXPECT_EQ(PlanBody(100, kept, Head("HTTP/1.1 206 P\r\nContent-Range: bytes 0-999/1000\r\nETag: \"v1\"\r\n")),
            BodyPlan::kRefuse);
  EXPECT_EQ(PlanBody(100, kept, Head("HTTP/1.1 206 P\r\nContent-Range: bytes 100-999/2000\r\nETag: \"v1\"\r\n")),
            BodyPlan::kRefuse) << "the total changed";
  EXPECT_EQ(PlanBody(100, kept, Head("HTTP/1.1 206 P\r\nContent-Range: bytes 100-499/1000\r\nETag: \"v1\"\r\n")),
            BodyPlan::kRefuse) << "a shorter part would leave a hole";
  EXPECT_EQ(PlanBody(0, PartialDownload(), Head(part + "ETag: \"v1\"\r\n")), BodyPlan::kRefuse)
      << "a part nobody asked for";
  EXPECT_EQ(PlanBody(100, kept, Head("HTTP/1.1 200 OK\r\n")), BodyPlan::kFresh);
  EXPECT_EQ(PlanBody(100, kept, Head("HTTP/1.1 416 R\r\n")), BodyPlan::kRefuse);
  EXPECT_EQ(PlanBody(100, Kept(100, 1000, "Mon"),
                     Head("HTTP/1.1 206 P\r\nContent-Range: bytes 100-999/1000\r\nLast-Modified: Mon\r\n")),
            BodyPlan::kAppend);

  EXPECT_EQ(ResumeRequestHeaders(kept), "Range: bytes=100-\r\nIf-Range: \"v1\"\r\n");
  EXPECT_EQ(ResumeRequestHeaders(Kept(100, 1000, "")), "");
  EXPECT_EQ(ResumeRequestHeaders(Kept(1000, 1000, "\"v1\"")), "") << "nothing left to ask for";
  EXPECT_EQ(static_cast<uint32_t>(HresultForHttpStatus(404)), 0x800C0005u);
  EXPECT_EQ(static_cast<uint32_t>(HresultForHttpStatus(500)), 0x800C0008u);
}

// The file as a string, for the sink.
class MemoryFileOut : public SetupFileOut {
 public:
  bool Truncate() override {
    bytes.clear();
    return true;
  }
  bool Append(const void* data, size_t size) override {
    bytes.append(static_cast<const char*>(data), size);
    return true;
  }
  std::string bytes;
};

TEST(ResumeRulesTest, TheSinkKeepsThePartForTheNextMirrorUnlessTheServerDisownsIt) {
  MemoryFileOut file;
  file.bytes = "0123";
  PartialDownload partial = Kept(4, 10, "\"v1\"");
  {  // A 500 from this mirror: the part stays for the next one.
    AttemptSink sink(&partial, &file, nullptr);
    EXPECT_EQ(sink.asked_from(), 4);
    EXPECT_FALSE(sink.Begin(Head("HTTP/1.1 500 E\r\n")));
    EXPECT_EQ(static_cast<uint32_t>(sink.failure()), 0x800C0008u);
    EXPECT_TRUE(partial.Resumable());
  }
  {  // The continuation, cut one byte short of its announced length.
    AttemptSink sink(&partial, &file, nullptr);
    ASSERT_TRUE(sink.Begin(Head("HTTP/1.1 206 P\r\nContent-Range: bytes 4-9/10\r\nContent-Length: 6\r\n"
                                "ETag: \"v1\"\r\n")));
    EXPECT_TRUE(sink.Write("45678", 5));
    EXPECT_EQ(static_cast<uint32_t>(sink.ShortBodyFailure()), 0x800C0008u) << "a cut is no end of the body";
    EXPECT_EQ(file.bytes, "012345678");
    EXPECT_EQ(partial.kept, 9);
  }
  {  // The server no longer has that range: the part goes.
    AttemptSink sink(&partial, &file, nullptr);
    EXPECT_FALSE(sink.Begin(Head("HTTP/1.1 416 R\r\nContent-Range: bytes */5\r\n")));
    EXPECT_FALSE(partial.Resumable());
  }
  {  // A whole body replaces what was there.
    AttemptSink sink(&partial, &file, nullptr);
    ASSERT_TRUE(sink.Begin(Head("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nLast-Modified: Mon\r\n")));
    EXPECT_TRUE(sink.Write("abc", 3));
    EXPECT_EQ(sink.ShortBodyFailure(), 0);
    EXPECT_EQ(file.bytes, "abc");
    EXPECT_TRUE(partial.Complete());
    EXPECT_EQ(partial.validator, "Mon");
  }
}

std::wstring Address(int port, const std::string& path) {
  const std::string text = "http://" + TestServer::Host(port) + path;
  return std::wstring(text.begin(), text.end());
}

class ResumeRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.ok()) << server_.error();
    ASSERT_TRUE(server_.SetFile(LUMACAST_DEMO_SETUP_PATH_A));
    size_ = static_cast<int64_t>(fs::file_size(LUMACAST_DEMO_SETUP_PATH_W));
    dir_ = fs::temp_directory_path() /
           ("lumacast-resume-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directory(dir_);
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::replace);
    setup_ = dir_ / "LumaCast.exe";
  }
  void TearDown() override { fs::remove_all(dir_); }

  DownloadOutcome Run() {
    DownloadJob job{Address(TestServer::kReportPort, "/caller?a=downloadPackage&c=site&package=x"),
                    Address(TestServer::kCdnPort, "/app3/LumaSuite/lumacast/lumacastsetup.exe"),
                    dir_.wstring() + L"/", setup_.wstring(), stats_, cancel_, partial_};
    DownloadOutcome outcome = DownloadSetupPackage(job);
    outcome.setup_file.reset();
    return outcome;
  }
  static std::string Cut(int64_t bytes) { return R"({"action":"serve","cut":)" + std::to_string(bytes) + "}"; }
  // The Range header of every download request, in order ("" for none).
  std::vector<std::string> Ranges() const {
    std::vector<std::string> ranges;
    for (const auto& record : server_.Records()) {
      if (record.endpoint == "package" || record.endpoint == "cdn") ranges.push_back(record.Header("Range"));
    }
    return ranges;
  }
  std::string From(int64_t offset) const { return "bytes=" + std::to_string(offset) + "-"; }

  TestServer server_;
  int64_t size_ = 0;
  fs::path dir_;
  fs::path setup_;
  std::shared_ptr<DownloadStats> stats_ = std::make_shared<DownloadStats>();
  std::shared_ptr<CancelFlag> cancel_ = std::make_shared<CancelFlag>(false);
  std::shared_ptr<PartialDownload> partial_ = std::make_shared<PartialDownload>();
};

TEST_F(ResumeRunTest, ACutOnOneMirrorIsContinuedOnTheOtherUntilTheLastByte) {
  const int64_t cut = size_ * 4 / 10;
  ASSERT_TRUE(server_.Push("package", "[" + Cut(cut) + "," + Cut(size_ - 1 - 2 * cut) + "]"));
  ASSERT_TRUE(server_.Push("cdn", "[" + Cut(cut) + "]"));

  const DownloadOutcome outcome = Run();
  EXPECT_EQ(outcome.result, 0) << nbase::WideToUTF8(outcome.diagnostic);
  EXPECT_EQ(outcome.retry_time, 3);
  EXPECT_EQ(Ranges(), (std::vector<std::string>{"", From(cut), From(2 * cut), From(size_ - 1)}));
  EXPECT_EQ(server_.Records("cdn").at(0).Header("If-Range").substr(0, 1), "\"");
  EXPECT_EQ(server_.BodyBytesSent(), size_);
  EXPECT_EQ(static_cast<int64_t>(fs::file_size(setup_)), size_);
  EXPECT_EQ(stats_->downloadProgress.load(), 900);
  EXPECT_EQ(CachedCopiesOfSize(static_cast<uint64_t>(size_)), 0) << "a copy stayed in the moniker's cache";
}

TEST_F(ResumeRunTest, AnotherFileOnTheMirrorIsTakenWholeAndARefusedRangeStartsAfresh) {
  // The second mirror's file has another ETag: it answers the range with the
  // whole file, which replaces the kept half.
  ASSERT_TRUE(server_.Push("package", "[" + Cut(size_ / 2) + "]"));
  ASSERT_TRUE(server_.Push("cdn", R"([{"action":"serve","etag":"\"another\""}])"));
  DownloadOutcome outcome = Run();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.retry_time, 1);
  EXPECT_EQ(server_.BodyBytesSent(), size_ + size_ / 2);

  // A part that starts elsewhere than asked, and a 416 for a kept file that
  // claimed more than the server has: both drop the kept bytes.
  ASSERT_TRUE(server_.Reset() && server_.SetFile(LUMACAST_DEMO_SETUP_PATH_A));
  ASSERT_TRUE(server_.Push("package", "[" + Cut(size_ / 2) + R"(,{"action":"lie","extra":4096,"ranges":true}])"));
  ASSERT_TRUE(server_.Push("cdn", R"([{"action":"serve","range_start":1000},{"action":"serve"}])"));
  outcome = Run();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.retry_time, 4);
  EXPECT_EQ(Ranges(), (std::vector<std::string>{"", From(size_ / 2), "", From(size_), ""}));
}

TEST_F(ResumeRunTest, WithoutRangesOrValidatorsEveryAttemptStartsFromZero) {
  ASSERT_TRUE(server_.Push("package", "[" + std::string(R"({"action":"serve","ranges":false,"cut":1000000})") +
                                          "," + R"({"action":"serve","no_validators":true,"cut":1000000})" + "]"));
  ASSERT_TRUE(server_.Push("cdn", R"([{"action":"serve","weak_etag":true,"cut":1000000}])"));
  const DownloadOutcome outcome = Run();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.retry_time, 3);
  EXPECT_EQ(Ranges(), (std::vector<std::string>{"", "", "", ""}));
}

TEST_F(ResumeRunTest, TryAgainContinuesAndAnAlteredPartFailsVerificationThenStartsAfresh) {
  // Every attempt of the first run fails: the package address cuts after
  // 1 MB, the CDN answers 500. The 3 MB kept stay for "Try Again".
  constexpr int64_t kCut = 1000000;
  ASSERT_TRUE(server_.SetDefault("package", Cut(kCut)));
  ASSERT_TRUE(server_.SetDefault("cdn", R"({"action":"status","status":500})"));
  DownloadOutcome outcome = Run();
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(static_cast<uint32_t>(outcome.download_result), 0x800C0008u) << "HTTP 500 on both systems";
  ASSERT_EQ(static_cast<int64_t>(fs::file_size(setup_)), 3 * kCut);
  EXPECT_EQ(Ranges()[2], From(kCut)) << "the 500 of the other mirror kept the part";
  EXPECT_EQ(KeptDownloadShare(*partial_), static_cast<int32_t>(3 * kCut * 900 / size_));

  {  // Somebody changes two bytes of the kept part.
    std::fstream file(setup_, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(kCut + kCut / 2);
    file.put('\x5a');
    file.put('\xa5');
  }
  ASSERT_TRUE(server_.Reset() && server_.SetFile(LUMACAST_DEMO_SETUP_PATH_A));
  outcome = Run();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.retry_time, 1) << "the spliced file failed verification once";
  EXPECT_EQ(Ranges(), (std::vector<std::string>{From(3 * kCut), ""}));
}

TEST_F(ResumeRunTest, CancelDuringAResumedAttemptEndsTheRunAndDropsThePart) {
  ASSERT_TRUE(server_.Push("package", "[" + Cut(size_ / 2) + "]"));
  ASSERT_TRUE(server_.Push("cdn", R"([{"action":"throttle","rate":300000}])"));
  std::thread canceller([this] {
    // Once the resumed attempt has moved the bar past the kept half.
    for (int i = 0; i < 600 && stats_->downloadProgress.load() <= 460; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    cancel_->store(true);
  });
  const DownloadOutcome outcome = Run();
  canceller.join();
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_FALSE(fs::exists(setup_));
  EXPECT_FALSE(partial_->Resumable());
  EXPECT_EQ(Ranges(), (std::vector<std::string>{"", From(size_ / 2)}));
}

TEST_F(ResumeRunTest, NothingLeftToAskForGoesStraightToVerification) {
  // An earlier attempt got every byte but failed late (a stall after the last
  // byte): the remainder is empty and no server is asked.
  fs::copy_file(LUMACAST_DEMO_SETUP_PATH_W, setup_);
  *partial_ = Kept(size_, size_, "\"v1\"");
  const DownloadOutcome outcome = Run();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.retry_time, 0);
  EXPECT_TRUE(Ranges().empty());
}

TEST_F(ResumeRunTest, HttpErrorsAreTheMonikersCodes) {
  ASSERT_TRUE(server_.Push("cdn", R"([{"action":"status","status":404}])"));
  int windows = 0;
  EXPECT_EQ(static_cast<uint32_t>(FetchUrlToFile(Address(TestServer::kCdnPort,
                                                         "/app3/LumaSuite/lumacast/lumacastsetup.exe"),
                                                 setup_.wstring(), nullptr, &windows)),
            0x800C0005u);
}

}  // namespace
