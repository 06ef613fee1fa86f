// The real install flow, in-process, against the local test server and the
// demo setup package: mirrors, server faults, the running product, setup
// retries, result pages, reports, registry values and the hardened launches.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "app/flow/install_flow.h"
#include "app/launch/installed_state.h"
#include "app/context/installer_context.h"
#include "app/setup/process_control.h"
#include "base/file_util.h"
#include "demo_paths.h"
#include "platform/registry.h"
#include "tests/app/flow/flow_harness.h"
#include "tests/app/flow/flow_server_test.h"

namespace fs = std::filesystem;
using namespace flow_test;
using lumacast_test::TestServer;
using std::chrono::seconds;

namespace {

std::string Narrow(const fs::path& path) { return path.string(); }

class FlowEndToEndTest : public FlowServerTest {
 protected:
  void SetUp() override {
    FlowServerTest::SetUp();
    if (HasFatalFailure()) return;
    // Folders with spaces, and decoys on the prefixes an unquoted command
    // line would start ("<root>/dl.exe" for "<root>/dl dir/LumaCast.exe").
    download_dir_ = root_ / "dl dir";
    install_dir_ = root_ / "inst dir";
    fs::copy_file(LUMACAST_DEMO_DECOY_PATH_W, root_ / "dl.exe");
    fs::copy_file(LUMACAST_DEMO_DECOY_PATH_W, root_ / "inst.exe");
  }

  // Builds the context and the flow on the UI thread, then presses "Install Now".
  void StartFlow() {
    ASSERT_TRUE(RunOnUi([this] {
      context_ = std::make_unique<InstallerContext>();
      fs::create_directories(download_dir_);
      context_->downloadDir = (download_dir_ / "").wstring();
      context_->setupFilePath = (download_dir_ / "LumaCast.exe").wstring();
      context_->installDir = install_dir_.wstring();
      FlowOptions options = DefaultFlowOptions();
      options.openUrl = [this](const std::wstring& url) {
        opened_.push_back(url);
        return true;
      };
      flow_ = std::make_unique<InstallFlow>(context_.get(), &view_, options);
      flow_->StartInstall();
    }));
  }


  void Click(const std::wstring& button) {
    ASSERT_TRUE(RunOnUi([this, button] { flow_->HandleFlowButton(button); }));
  }

  // Every report received so far, once at least `count` have arrived.
  std::vector<Report> ReportsAfter(size_t count) {
    return DecodeReports(server_->WaitForRecords("report", count, 30000));
  }

  static const Report* Find(const std::vector<Report>& reports, const std::string& action, int nth = 0) {
    for (const Report& r : reports) {
      if (r.action == action && nth-- == 0) return &r;
    }
    return nullptr;
  }

  fs::path download_dir_, install_dir_;
  std::vector<std::wstring> opened_;
};

using Names = std::vector<std::string>;

// The package address presents a self-signed certificate: refused, so the
// first attempt fails and the plain mirror (throttled, so progress moves)
// delivers. Paths with spaces, decoys on their prefixes, product launch.
TEST_F(FlowEndToEndTest, InstallsFromPlainMirrorAfterRefusingUntrustedCertificate) {
  ASSERT_TRUE(server_->Push("cdn", R"([{"action":"throttle","rate":16777216}])"));
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installedpage");
  EXPECT_EQ(flow_->state(), kStateInstalled);
  EXPECT_TRUE(server_->Records("package").empty()) << "no request may pass an untrusted TLS handshake";
  EXPECT_EQ(server_->Records("cdn").size(), 1u);

  std::vector<Report> reports = ReportsAfter(4);
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_EQ(reports[0].action, "OnClick");
  EXPECT_EQ(reports[0].FieldNames(), Names({"ClickSrc"}));
  EXPECT_EQ(reports[0].Field("ClickSrc"), "Install");
  const Report& download = reports[1];
  EXPECT_EQ(download.action, "DownloadTimeCost");
  EXPECT_EQ(download.FieldNames(), Names({"cost", "fileSize", "path", "ret", "retryTime"}));
  EXPECT_EQ(download.Field("ret"), "0");
  EXPECT_EQ(download.Field("retryTime"), "1");
  EXPECT_EQ(download.Field("fileSize"), std::to_string(fs::file_size(LUMACAST_DEMO_SETUP_PATH_W)));
  // Backslashes become underscores; a Linux path keeps its slashes.
  EXPECT_EQ(download.Field("path").back(), nbase::kPathSeparator == L'\\' ? '_' : '/');
  EXPECT_EQ(reports[2].action, "InstallTimeCost");
  EXPECT_EQ(reports[2].FieldNames(), Names({"cost", "ret", "retryTime"}));
  EXPECT_EQ(reports[2].Field("ret"), "0");
  EXPECT_EQ(reports[2].Field("retryTime"), "0");
  EXPECT_EQ(reports[3].action, "InstallResultReport");
  EXPECT_EQ(reports[3].FieldNames(), Names({"result"}));
  EXPECT_EQ(reports[3].Field("result"), "success");

  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), install_dir_.wstring());
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerChannel"), context_->channel);
  EXPECT_TRUE(IsProductInstalled());

  // The setup took its folder, spaces and all, from after "/D=" (on Linux as
  // one argument).
  EXPECT_TRUE(fs::exists(install_dir_ / "lumacast.exe"));
#if !defined(_WIN32)
  const std::string setup_log = ReadFileText(root_ / "setup.log");
  EXPECT_NE(setup_log.find("\t/S\t/D=" + Narrow(install_dir_) + "\n"), std::string::npos) << setup_log;
#endif

  // Progress: 1.0 % at the start, then 90 % when the download is done.
  std::vector<int> bars = view_.ProgressValues();
  ASSERT_FALSE(bars.empty());
  EXPECT_EQ(bars.front(), 1);
  EXPECT_NE(std::find(bars.begin(), bars.end(), 90), bars.end());

  Click(L"btn_startapp");
  EXPECT_TRUE(view_.WaitForLine("close", seconds(5)));
  EXPECT_TRUE(WaitUntil([&] { return !ReadFileText(root_ / "product.log").empty(); }, seconds(20)));
  EXPECT_EQ(ReadFileText(root_ / "product.log"), Narrow(install_dir_ / "lumacast.exe") + "\t--install\n");
  EXPECT_EQ(ReadFileText(root_ / "decoy.log"), "") << "a program on an ambiguous prefix ran";
}

// Six failed attempts, twice: the CDN answers with every fault in turn.
// The retry from the failure page is offered once only.
TEST_F(FlowEndToEndTest, ServerFaultsFailTheDownloadAndRetryIsOfferedOnce) {
  ASSERT_TRUE(server_->Push("cdn", R"([{"action":"status","status":500},{"action":"html"},
      {"action":"truncate"},{"action":"lie"},{"action":"bad_pe"},{"action":"refuse"}])"));
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installfaildpage");
  EXPECT_EQ(flow_->state(), kStateDownloadFailed);
  EXPECT_EQ(view_.Count("hide btn_reinstall"), 0u);
  const std::string reason = view_.LastText("download_failed_msg");
  EXPECT_EQ(reason.rfind("errcode:x", 0), 0u) << reason;
  EXPECT_EQ(reason.substr(reason.size() - 10), "(download)");

  Click(L"btn_reinstall");
  ASSERT_TRUE(WaitUntil([&] { return view_.Count("show installfaildpage") == 2; }, kFlowTimeout));
  RunOnUi([] {});
  EXPECT_EQ(view_.Count("hide btn_reinstall"), 1u);
  EXPECT_EQ(server_->Records("cdn").size(), 6u);

  std::vector<Report> reports = ReportsAfter(6);
  const Report* first = Find(reports, "DownloadTimeCost");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->FieldNames(), Names({"cost", "path", "ret", "retryTime"}));
  EXPECT_EQ(first->Field("ret"), "1");
  EXPECT_EQ(first->Field("retryTime"), "6");
  const Report* result = Find(reports, "InstallResultReport");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->FieldNames(), Names({"errorMsg", "result"}));
  EXPECT_EQ(result->Field("result"), "faild");
  EXPECT_EQ(result->Field("errorMsg").rfind("Download Faild : hr = ", 0), 0u) << result->Field("errorMsg");
  const Report* retry = Find(reports, "OnClick", 1);
  ASSERT_NE(retry, nullptr);
  EXPECT_EQ(retry->Field("ClickSrc"), "ReInstall");
  // The last fault was a PE offset past the end, then a refused connection.
  EXPECT_NE(context_->downloadDiagnostic.find(L" poptime = "), std::wstring::npos);

  // Quitting from here: nothing installed, so the user is asked first; the
  // box's "no" opens the full-package page instead of quitting.
  Click(L"btn_exit");
  ASSERT_TRUE(view_.WaitForLine("question Quit|Download full package -> no", seconds(5)));
  ASSERT_TRUE(WaitUntil([&] { return RunOnUi([] {}) && opened_.size() == 1; }, seconds(5)));
  EXPECT_NE(opened_[0].find(L"/screen-mirror/offlinepackage"), std::wstring::npos);
  view_.answerer = [](const QuestionBox&) { return kMsgBoxYes; };
  Click(L"btn_exit");
  ASSERT_TRUE(view_.WaitForLine("close", seconds(5)));
  reports = ReportsAfter(reports.size() + 2);
  const Report* offline = Find(reports, "OnClick", 2);
  ASSERT_NE(offline, nullptr);
  EXPECT_EQ(offline->Field("ClickSrc"), "DownloadOffline");
  const Report* quit = Find(reports, "OnClick", 3);
  ASSERT_NE(quit, nullptr);
  EXPECT_EQ(quit->FieldNames(), Names({"btn_exit"}));
  EXPECT_EQ(quit->Field("btn_exit"), "Failed \xCE\xB4\xB0\xB2\xD7\xB0");
}

// Packages that are not ours never run: unsigned, another publisher, altered
// after signing. Each fails its attempt; the signed one installs.
TEST_F(FlowEndToEndTest, RejectsPackagesWithoutOurSignature) {
  ASSERT_TRUE(server_->Push("cdn", std::string(R"([{"file":")") + LUMACAST_DEMO_SETUP_UNSIGNED_PATH_A +
                                       R"("},{"file":")" + LUMACAST_DEMO_SETUP_OTHER_PUBLISHER_PATH_A +
                                       R"("},{"file":")" + LUMACAST_DEMO_SETUP_ALTERED_PATH_A + R"("}])"));
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installfaildpage");
  EXPECT_NE(context_->downloadDiagnostic.find(L"signature failed"), std::wstring::npos)
      << std::string(context_->downloadDiagnostic.begin(), context_->downloadDiagnostic.end());
  EXPECT_EQ(ReadFileText(root_ / "setup.log"), "");
  Click(L"btn_reinstall");
  ASSERT_EQ(view_.WaitForEither("show installedpage", "none", kFlowTimeout), "show installedpage");
}

// The product runs: "Try Again" asks again, "Kill & Continue" ends it. While
// the question is up (after verification, before launch) someone tries to
// swap the downloaded file for another program: the verified bytes still run.
TEST_F(FlowEndToEndTest, RunningProductIsEndedAndTheVerifiedFileCannotBeSwapped) {
  const fs::path product_dir = root_ / "running";
  fs::create_directories(product_dir);
  fs::copy_file(LUMACAST_DEMO_PRODUCT_PATH_W, product_dir / "lumacast.exe");
  SetEnv("LUMACAST_DEMO_PRODUCT_STAY", "60000");
  ASSERT_TRUE(StartDetachedProcess(LaunchCommand{(product_dir / "lumacast.exe").wstring(), {}}));
  SetEnv("LUMACAST_DEMO_PRODUCT_STAY", "");
  ASSERT_TRUE(WaitUntil([] { return CountProductProcesses(L"lumacast.exe") == 1; }, seconds(20)));

  ASSERT_TRUE(server_->Push("cdn", R"([{"action":"trickle","chunk":1048576,"interval":0.02}])"));
  std::atomic<int> asked{0};
  std::error_code swap_error;
  const fs::path setup_file = download_dir_ / "LumaCast.exe";
  view_.answerer = [&](const QuestionBox& box) {
    EXPECT_EQ(box.no_text, L"Kill & Continue");
    if (asked++ == 0) {
      const fs::path decoy = download_dir_ / "swap.tmp";
      fs::copy_file(LUMACAST_DEMO_DECOY_PATH_W, decoy);
      fs::rename(decoy, setup_file, swap_error);
      return kMsgBoxYes;  // "Try Again": the product still runs
    }
    return kMsgBoxNo;
  };
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installedpage");
  EXPECT_EQ(asked.load(), 2);
  EXPECT_EQ(CountProductProcesses(L"lumacast.exe"), 0);
  EXPECT_EQ(ReadFileText(root_ / "decoy.log"), "") << "the swapped-in program ran";
  EXPECT_TRUE(fs::exists(install_dir_ / "lumacast.exe"));
#if defined(_WIN32)
  EXPECT_TRUE(swap_error) << "the held file was replaced";
#endif
}

TEST_F(FlowEndToEndTest, SetupFailingTwiceThenSucceeding) {
  WriteSetupScript("exit:5\nexit:7\nok\n");
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installedpage");
  const Report* install = Find(ReportsAfter(4), "InstallTimeCost");
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->Field("ret"), "0");
  EXPECT_EQ(install->Field("retryTime"), "2");
}

// Three failed setup runs end on the failure page with the setup's texts.
// The product is found in the uninstall list afterwards, so quitting asks
// nothing and reports it as installed (offline install, no recorded folder).
TEST_F(FlowEndToEndTest, SetupFailingThreeTimes) {
  WriteSetupScript("exit:5\nexit:6\nexit:7\n");
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installfaildpage");
  EXPECT_EQ(flow_->state(), kStateInstallFailed);
  // The page shows the exit code of the setup that ran and failed.
  EXPECT_EQ(view_.LastText("download_failed_msg"), "errcode:x7(Intall)");
  std::vector<Report> reports = ReportsAfter(4);
  const Report* install = Find(reports, "InstallTimeCost");
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->Field("ret"), "7");
  EXPECT_EQ(install->Field("retryTime"), "3");
  const Report* result = Find(reports, "InstallResultReport");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->Field("errorMsg").rfind("Install Faild ret = 7,errCode:0-", 0), 0u) << result->Field("errorMsg");
  EXPECT_EQ(view_.Count("note Error|The file was deleted by anti-virus software or firewall, please close it and try again!"), 0u);

  ASSERT_TRUE(WriteUninstallValue(0, L"Full LumaCast", L"DisplayName", L"LumaCast 1.6 (full package)"));
  Click(L"btn_exit");
  ASSERT_TRUE(view_.WaitForLine("close", seconds(5)));
  reports = ReportsAfter(reports.size() + 2);
  EXPECT_NE(Find(reports, "offline"), nullptr);
  const Report* quit = Find(reports, "OnClick", 1);
  ASSERT_NE(quit, nullptr);
  EXPECT_EQ(quit->Field("btn_exit"), "Start (\xD2\xD1\xB0\xB2\xD7\xB0)");
  DeleteUninstallEntry(0, L"Full LumaCast");
}

uintmax_t BytesAt(const fs::path& file) {
  std::error_code missing;
  const uintmax_t size = fs::file_size(file, missing);
  return missing ? 0 : size;
}

std::string RedirectToPlainCdn() {
  return R"([{"action":"redirect","location":"http://)" + TestServer::Host(TestServer::kCdnPort) +
         R"(/app3/LumaSuite/lumacast/lumacastsetup.exe"}])";
}

// With the secure address trusted: no redirect and a secure-to-secure one both
// deliver, so a refusal below is the redirect's doing, not the certificate's.
// Secure to plain fails the attempt and keeps nothing from the plain address
// (urlmon under Wine has already asked it by then; libcurl never does). In the
// flow, that attempt fails and the plain mirror's own attempt installs.
TEST_F(FlowEndToEndTest, SecureSourceIsNeverRedirectedToAPlainAddress) {
  TrustedPackageMirror trust(server_, root_, LUMACAST_DEMO_TLS_CERT_PATH_A, LUMACAST_DEMO_TLS_KEY_PATH_A);
  ASSERT_TRUE(trust.ok());
  const std::string package_address =
      "https://" + TestServer::Host(TestServer::kReportPort) + "/caller?a=downloadPackage&c=site";
  const std::wstring package(package_address.begin(), package_address.end());
  const fs::path target = root_ / "LumaCast.exe";
  const uintmax_t package_size = fs::file_size(LUMACAST_DEMO_SETUP_PATH_W);
  int windows = 0;

  EXPECT_EQ(FetchUrlToFile(package, target.wstring(), nullptr, &windows), 0);
  EXPECT_EQ(BytesAt(target), package_size);
  ASSERT_TRUE(server_->Push(
      "package", R"([{"action":"redirect","location":")" + package_address + R"(&again=1"}])"));
  fs::remove(target);
  EXPECT_EQ(FetchUrlToFile(package, target.wstring(), nullptr, &windows), 0);
  EXPECT_EQ(BytesAt(target), package_size);
  EXPECT_EQ(server_->Records("package").size(), 3u);
  EXPECT_TRUE(server_->Records("cdn").empty());

  ASSERT_TRUE(server_->Push("package", RedirectToPlainCdn()));
  fs::remove(target);
  EXPECT_EQ(static_cast<uint32_t>(FetchUrlToFile(package, target.wstring(), nullptr, &windows)), 0x800C0014u);
  EXPECT_EQ(BytesAt(target), 0u) << "bytes from the plain address were kept";
#if !defined(_WIN32)
  EXPECT_TRUE(server_->Records("cdn").empty());
#endif

  const size_t package_requests = server_->Records("package").size();
  ASSERT_TRUE(server_->Push("package", RedirectToPlainCdn()));
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installedpage");
  const Report* download = Find(ReportsAfter(2), "DownloadTimeCost");
  ASSERT_NE(download, nullptr);
  EXPECT_EQ(download->Field("retryTime"), "1") << "the redirected attempt was taken";
  EXPECT_EQ(server_->Records("package").size(), package_requests + 1);
}

}  // namespace
