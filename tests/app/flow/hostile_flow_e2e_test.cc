// The install flow in hostile places, end to end against the local server and
// the demo setup: setups that say 0 but installed nothing, folders in odd
// forms, a stalled mirror, failed downloads left behind, a system folder that
// cannot be found, and a shutdown in the middle of a stalled download.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <system_error>

#include "app/context/folder_path.h"
#include "app/context/installer_context.h"
#include "app/flow/install_flow.h"
#include "app/startup/thread_ids.h"
#include "base/file_util.h"
#include "base/thread_registry.h"
#include "demo_paths.h"
#include "platform/registry.h"
#include "tests/app/flow/flow_harness.h"
#include "tests/app/flow/flow_server_test.h"

namespace fs = std::filesystem;
using namespace flow_test;
using lumacast_test::TestServer;
using std::chrono::seconds;

namespace {

class HostileFlowTest : public FlowServerTest {
 protected:
  void SetUp() override {
    FlowServerTest::SetUp();
    if (HasFatalFailure()) return;
    download_dir_ = root_ / "dl";
    fs::create_directories(download_dir_);
  }

  // Builds the context (from `environment` when given) and the flow on the UI
  // thread and presses "Install Now". An empty `install_dir` keeps the
  // context's own choice.
  void StartFlow(const std::wstring& install_dir, const InstallerEnvironment* environment = nullptr) {
    ASSERT_TRUE(RunOnUi([&] {
      context_ = environment ? std::make_unique<InstallerContext>(*environment) : std::make_unique<InstallerContext>();
      context_->downloadDir = (download_dir_ / "").wstring();
      context_->setupFilePath = (download_dir_ / "LumaCast.exe").wstring();
      if (!install_dir.empty()) context_->installDir = install_dir;
      FlowOptions options = DefaultFlowOptions();
      options.openUrl = [](const std::wstring&) { return true; };
      flow_ = std::make_unique<InstallFlow>(context_.get(), &view_, options);
      flow_->StartInstall();
    }));
  }


  const Report* Find(const std::string& action, size_t at_least) {
    reports_ = DecodeReports(server_->WaitForRecords("report", at_least, 30000));
    for (const Report& r : reports_) {
      if (r.action == action) return &r;
    }
    return nullptr;
  }

  size_t SetupRuns() {
    const std::string log = ReadFileText(root_ / "setup.log");
    return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
  }
  bool SetupFileLeft() { return fs::exists(download_dir_ / "LumaCast.exe"); }

  fs::path download_dir_;
  std::vector<Report> reports_;
};


// A setup that exits with 0 without the product in the folder failed: here
// the folder is a file, so nothing can be written, and the lenient setup says
// 0 each time. Three runs, the failure page, nothing recorded.
TEST_F(HostileFlowTest, SetupThatSaysZeroButInstalledNothingFails) {
  const fs::path file_as_folder = root_ / "inst is a file";
  std::ofstream(file_as_folder) << "not a folder";
  WriteSetupScript("lenient\nlenient\nlenient\n");
  StartFlow(file_as_folder.wstring());
  ASSERT_EQ(WaitForResult(), "show installfaildpage");
  EXPECT_EQ(flow_->state(), kStateInstallFailed);
  EXPECT_EQ(SetupRuns(), 3u);
  EXPECT_EQ(view_.LastText("download_failed_msg"), "errcode:x2(Intall)");
  const Report* install = Find("InstallTimeCost", 4);
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->Field("ret"), "0");
  EXPECT_EQ(install->Field("retryTime"), "3");
  const Report* result = Find("InstallResultReport", 4);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->Field("result"), "faild");
  EXPECT_EQ(result->Field("errorMsg").rfind("Install Faild ret = 0,errCode:2-", 0), 0u) << result->Field("errorMsg");
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), L"");
}

// "Write nothing, exit 0" counts as a failed run and the next run installs.
// The folder, given with doubled and trailing separators, is passed to the
// setup and recorded in its tidy absolute form; the setup file is deleted
// once the product is installed.
TEST_F(HostileFlowTest, SilentNoWriteRunIsRetriedAndTheTidyFolderIsRecorded) {
  WriteSetupScript("nowrite\nok\n");
  const std::wstring sep(1, nbase::kPathSeparator);
  const std::wstring tidy = AbsoluteFolder((root_ / "inst dir" / "sub").wstring());
  StartFlow(root_.wstring() + sep + L"inst dir" + sep + sep + L"sub" + sep);
  ASSERT_EQ(WaitForResult(), "show installedpage");
  EXPECT_EQ(SetupRuns(), 2u);
  const Report* install = Find("InstallTimeCost", 4);
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->Field("ret"), "0");
  EXPECT_EQ(install->Field("retryTime"), "1");
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), tidy);
  EXPECT_TRUE(nbase::PathExists(ProductExecutablePath(tidy)));
  EXPECT_FALSE(SetupFileLeft()) << "the setup was kept after a successful install";
}

// The first mirror trickles one byte a second: that attempt ends as stalled
// (time-out) and the second mirror installs.
TEST_F(HostileFlowTest, StalledMirrorEndsAndTheOtherMirrorInstalls) {
  TrustedPackageMirror trust(server_, root_, LUMACAST_DEMO_TLS_CERT_PATH_A, LUMACAST_DEMO_TLS_KEY_PATH_A);
  ASSERT_TRUE(trust.ok());
  ASSERT_TRUE(server_->Push("package", R"([{"action":"throttle","rate":1}])"));
  StartFlow((root_ / "inst").wstring());
  ASSERT_EQ(WaitForResult(), "show installedpage");
  const Report* download = Find("DownloadTimeCost", 2);
  ASSERT_NE(download, nullptr);
  EXPECT_EQ(download->Field("ret"), "0");
  EXPECT_EQ(download->Field("retryTime"), "1");
  EXPECT_EQ(server_->Records("package").size(), 1u);
  EXPECT_EQ(server_->Records("cdn").size(), 1u);
}

// Nothing that failed verification stays on disk: an error page, a truncated
// body, a body shorter than announced.
TEST_F(HostileFlowTest, FailedDownloadsLeaveNoFileBehind) {
  ASSERT_TRUE(server_->Push("cdn", R"([{"action":"html"},{"action":"truncate"},{"action":"lie"}])"));
  StartFlow((root_ / "inst").wstring());
  ASSERT_EQ(WaitForResult(), "show installfaildpage");
  EXPECT_EQ(server_->Records("cdn").size(), 3u);
  EXPECT_FALSE(SetupFileLeft());
  EXPECT_EQ(SetupRuns(), 0u);
}

// The program-files folder cannot be found (Linux: XDG_DATA_HOME is not
// UTF-8): there is no default install folder, so nothing is installed at the
// root of the drive, no setup runs, nothing is recorded, and the user sees
// the failure page.
TEST_F(HostileFlowTest, MissingSystemFolderNeverBecomesTheInstallRoot) {
  InstallerEnvironment environment;
#if defined(_WIN32)
  environment.specialFolder = [](int csidl) {
    return csidl == kFolderProgramFilesX86 ? std::wstring() : SpecialFolderPath(csidl);
  };
#else
  SetEnv("XDG_DATA_HOME", (root_ / "data-\xff").string());
#endif
  StartFlow(L"", &environment);
  ASSERT_EQ(WaitForResult(), "show installfaildpage");
  EXPECT_EQ(context_->installDir, L"");
  EXPECT_EQ(SetupRuns(), 0u);
  EXPECT_EQ(view_.LastText("download_failed_msg"), "errcode:xa1(Intall)");
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), L"");
  EXPECT_FALSE(nbase::PathExists(ProductExecutablePath(std::wstring(1, nbase::kPathSeparator) + L"Brightvale" +
                                                        std::wstring(1, nbase::kPathSeparator) + L"LumaCast")));
}

// Destroying the flow (the installer shutting down) ends a stalled download
// within seconds: the worker is free again and nothing is left on disk.
TEST_F(HostileFlowTest, ShutdownEndsAStalledDownload) {
  ASSERT_TRUE(server_->Push("cdn", R"([{"action":"throttle","rate":1}])"));
  StartFlow((root_ / "inst").wstring());
  ASSERT_FALSE(server_->WaitForRecords("cdn", 1, 30000).empty());
  ASSERT_TRUE(RunOnUi([this] { flow_.reset(); }));
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> worker_free = done->get_future();
  ASSERT_TRUE(nbase::ThreadRegistry::Get().Post(kMiscThreadId, [done] { done->set_value(); }));
  EXPECT_EQ(worker_free.wait_for(seconds(10)), std::future_status::ready) << "the download went on";
  EXPECT_FALSE(SetupFileLeft());
}

}  // namespace
