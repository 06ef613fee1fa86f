// The flow's edges, end to end against the local server: every failure shows
// a code that says what happened, nothing of the download is left behind when
// the flow ends, and a download folder others could tamper with is passed by.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/context/installer_context.h"
#include "app/flow/install_flow.h"
#include "demo_paths.h"
#include "tests/app/flow/flow_harness.h"
#include "tests/app/flow/flow_server_test.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace flow_test;
using std::chrono::seconds;

namespace {

class FlowEdgesTest : public FlowServerTest {
 protected:
  // Builds the context (from `environment` when given, keeping its download
  // folder) and the flow on the UI thread and presses "Install Now".
  void StartFlow(const InstallerEnvironment* environment = nullptr) {
    ASSERT_TRUE(RunOnUi([&] {
      if (environment) {
        context_ = std::make_unique<InstallerContext>(*environment);
      } else {
        context_ = std::make_unique<InstallerContext>();
        fs::create_directories(root_ / "dl");
        context_->downloadDir = (root_ / "dl" / "").wstring();
        context_->setupFilePath = (root_ / "dl" / "LumaCast.exe").wstring();
      }
      context_->installDir = (root_ / "inst").wstring();
      FlowOptions options = DefaultFlowOptions();
      options.openUrl = [](const std::wstring&) { return true; };
      flow_ = std::make_unique<InstallFlow>(context_.get(), &view_, options);
      flow_->StartInstall();
    }));
  }

  bool SetupFileLeft() { return fs::exists(fs::path(context_->setupFilePath)); }

  // The download failed on every attempt; the page and the report carry
  // `code` (eight lower-case hexadecimal digits) and no package is on disk.
  void ExpectDownloadFailedWith(const std::string& code) {
    ASSERT_EQ(WaitForResult(), "show installfaildpage");
    EXPECT_EQ(view_.LastText("download_failed_msg"), "errcode:x" + code + "(download)");
    const std::vector<Report> reports = DecodeReports(server_->WaitForRecords("report", 3, 30000));
    bool reported = false;
    for (const Report& r : reports) {
      if (r.action == "InstallResultReport") {
        reported = true;
        EXPECT_NE(r.Field("errorMsg").find(" hr = " + code + " "), std::string::npos) << r.Field("errorMsg");
      }
    }
    EXPECT_TRUE(reported);
    EXPECT_FALSE(SetupFileLeft());
    EXPECT_EQ(ReadFileText(root_ / "setup.log"), "") << "a refused package ran";
  }
};

// Signed, but not by a signer we trust: the verifier's own code. Windows
// gets our publisher's name on a certificate from an unknown root; Linux a
// package signed with a key that is not ours.
TEST_F(FlowEdgesTest, RogueSignedPackageShowsTheTrustCode) {
#if defined(_WIN32)
  ASSERT_TRUE(server_->SetFile(LUMACAST_DEMO_SETUP_UNTRUSTED_ROOT_PATH_A));
  const std::string code = "800b0109";  // CERT_E_UNTRUSTEDROOT
#else
  ASSERT_TRUE(server_->SetFile(LUMACAST_DEMO_SETUP_OTHER_PUBLISHER_PATH_A));
  const std::string code = "80096010";  // TRUST_E_BAD_DIGEST
#endif
  StartFlow();
  ExpectDownloadFailedWith(code);
}

// The other system's package, and an HTML page served instead of the
// package, are no program of this system: ERROR_BAD_EXE_FORMAT.
TEST_F(FlowEdgesTest, OtherSystemsPackageIsNoProgram) {
  ASSERT_TRUE(server_->SetFile(LUMACAST_FOREIGN_PACKAGE_PATH_A));
  StartFlow();
  ExpectDownloadFailedWith("800700c1");
}

TEST_F(FlowEdgesTest, HtmlPageIsNoProgram) {
  ASSERT_TRUE(server_->Push("cdn", R"([{"action":"html"},{"action":"html"},{"action":"html"}])"));
  StartFlow();
  ExpectDownloadFailedWith("800700c1");
}

// A setup that ran and failed leaves its package for "Try Again" while the
// installer runs; the flow's end takes it away.
TEST_F(FlowEdgesTest, FailedSetupsPackageGoesWithTheFlow) {
  WriteSetupScript("exit:5\nexit:5\nexit:5\n");
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installfaildpage");
  EXPECT_EQ(view_.LastText("download_failed_msg"), "errcode:x5(Intall)");
  EXPECT_TRUE(SetupFileLeft());
  const fs::path setup_file = context_->setupFilePath;
  ASSERT_TRUE(RunOnUi([this] { flow_.reset(); }));
  EXPECT_FALSE(fs::exists(setup_file));
}

// "Quit" on the failure page ends the real installer at once: the package is
// gone by the time the window is asked to close.
TEST_F(FlowEdgesTest, QuitFromTheFailurePageLeavesNoPackage) {
  WriteSetupScript("exit:5\nexit:5\nexit:5\n");
  view_.answerer = [](const QuestionBox&) { return kMsgBoxYes; };  // "Quit"
  StartFlow();
  ASSERT_EQ(WaitForResult(), "show installfaildpage");
  ASSERT_TRUE(SetupFileLeft());
  ASSERT_TRUE(RunOnUi([this] { flow_->HandleFlowButton(L"btn_exit"); }));
  ASSERT_TRUE(view_.WaitForLine("close", seconds(10)));
  EXPECT_FALSE(SetupFileLeft());
}

// The first download folder belongs to someone else and anyone may write in
// it: the probe passes it by and the install goes on from the next folder.
TEST_F(FlowEdgesTest, ForeignWorldWritableDownloadFolderFallsBackToTheNext) {
#if defined(_WIN32)
  GTEST_SKIP() << "folder ownership and modes are a Linux matter";
#else
  const fs::path first = root_ / "roaming" / "Brightvale" / "LumaCast" / "Files";
  fs::create_directories(first);
  ASSERT_EQ(chmod(first.c_str(), 0777), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(first.c_str(), 65534, 65534), 0);
  }
  InstallerEnvironment environment;
  environment.specialFolder = [this](int csidl) {
    return csidl == kFolderRoamingAppData ? (root_ / "roaming").wstring() : SpecialFolderPath(csidl);
  };
  environment.tempFolder = [this] { return (root_ / "tmp" / "").wstring(); };
  StartFlow(&environment);
  EXPECT_EQ(context_->downloadDir, (root_ / "tmp" / "LumaCastInstaller" / "").wstring());
  ASSERT_EQ(WaitForResult(), "show installedpage");
  EXPECT_TRUE(fs::is_empty(first));
#endif
}

}  // namespace
