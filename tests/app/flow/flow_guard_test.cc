// The flow's steps run only in the states whose page offers them: repeated or
// stray clicks never start a second download into the same file, never leave
// a page that is busy and never change the folder a running setup was given.
//
// Runs the real flow on a UI thread and a worker, with no report thread and
// addresses that fail at once, so every download ends on the failure page.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/context/installer_context.h"
#include "app/flow/install_flow.h"
#include "app/flow/install_flow_results.h"
#include "app/startup/thread_ids.h"
#include "app/startup/worker_thread.h"
#include "base/file_util.h"
#include "base/thread_registry.h"
#include "base/utf.h"

namespace fs = std::filesystem;

namespace {

// Keeps what the flow shows as lines ("show installpage", "close", ...).
class LineView : public FlowView {
 public:
  void SetVisible(const std::wstring& name, bool visible) override {
    Add((visible ? "show " : "hide ") + nbase::WideToUTF8(name));
  }
  void SetText(const std::wstring&, const std::wstring&) override {}
  void SetProgressValue(int) override {}
  void CollapseCustomizeBar() override {}
  void AskQuestion(const QuestionBox& box, MsgBoxCallback) override {
    Add("question " + nbase::WideToUTF8(box.yes_text));  // never answered
  }
  void ShowErrorNote(const std::wstring&, const std::wstring&) override { Add("note"); }
  void ShowNote(const std::wstring& text, const std::wstring& title) override {
    Add("note " + nbase::WideToUTF8(title) + "|" + nbase::WideToUTF8(text));
  }
  void BringToFront() override {}
  void Close() override { Add("close"); }

  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> hold(lock_);
    return lines_;
  }
  size_t Count(const std::string& line) {
    std::lock_guard<std::mutex> hold(lock_);
    size_t n = 0;
    for (const std::string& l : lines_) n += l == line;
    return n;
  }

 private:
  void Add(std::string line) {
    std::lock_guard<std::mutex> hold(lock_);
    lines_.push_back(std::move(line));
  }
  std::mutex lock_;
  std::vector<std::string> lines_;
};

// Runs `task` on the UI thread and waits for it (at most 30 s).
bool RunOnUi(std::function<void()> task) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  if (!nbase::ThreadRegistry::Get().Post(kUiThreadId, [task, done] {
        task();
        done->set_value();
      })) {
    return false;
  }
  return finished.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
}

void SetEnv(const char* name, const std::string& value) {
#if defined(_WIN32)
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

class FlowGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("lumacast guard " + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(root_ / "config");
    fs::create_directories(root_ / "dl");
    SetEnv("XDG_CONFIG_HOME", (root_ / "config").string());
    SetEnv("XDG_DATA_HOME", (root_ / "config").string());
    ASSERT_TRUE(ui_.Launch());
    ASSERT_TRUE(misc_.Launch());
    ASSERT_TRUE(RunOnUi([this] {
      context_ = std::make_unique<InstallerContext>();
      context_->downloadDir = (root_ / "dl" / "").wstring();
      context_->setupFilePath = (root_ / "dl" / "LumaCast.exe").wstring();
      context_->installDir = kInstallDir;
      FlowOptions options;  // no download addresses: every attempt fails at once
      options.userAgreementUrl = kAgreementUrl;
      options.openUrl = [this](const std::wstring&) { return browser_works_.load(); };
      flow_ = std::make_unique<InstallFlow>(context_.get(), &view_, options);
    }));
  }

  void TearDown() override {
    RunOnUi([this] {
      flow_.reset();
      context_.reset();
    });
    misc_.Stop();
    ui_.Stop();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Every download posted so far has ended and its result has reached the flow.
  void SettleWork() {
    auto marker = std::make_shared<std::promise<void>>();
    std::future<void> passed = marker->get_future();
    ASSERT_TRUE(nbase::ThreadRegistry::Get().Post(kMiscThreadId, [marker] { marker->set_value(); }));
    ASSERT_EQ(passed.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    ASSERT_TRUE(RunOnUi([] {}));  // the results the worker posted before the marker
  }

  void WaitForFailurePage(size_t count) {
    for (int i = 0; i < 600 && view_.Count("show installfaildpage") < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    SettleWork();
    EXPECT_EQ(view_.Count("show installfaildpage"), count) << "a second download ran";
    EXPECT_EQ(flow_->state(), kStateDownloadFailed);
  }

  static constexpr wchar_t kInstallDir[] = L"/opt/guarded";
  static constexpr wchar_t kAgreementUrl[] = L"https://example.invalid/user-agreement/";
  std::atomic<bool> browser_works_{true};
  fs::path root_;
  WorkerThread ui_{"MainThread", kUiThreadId};
  WorkerThread misc_{"Global Misc Thread", kMiscThreadId};
  LineView view_;
  std::unique_ptr<InstallerContext> context_;
  std::unique_ptr<InstallFlow> flow_;
};

TEST_F(FlowGuardTest, ClicksOutsideTheirPageDoNothing) {
  // Welcome page: nothing to retry, start or quit to yet.
  ASSERT_TRUE(RunOnUi([this] {
    EXPECT_FALSE(flow_->RestartInstall());
    flow_->HandleFlowButton(L"btn_reinstall");
    flow_->HandleFlowButton(L"btn_startapp");
  }));
  EXPECT_TRUE(view_.Lines().empty());
  EXPECT_EQ(context_->retryClicks, 0);

  // Downloading: every second click, retry, start and quit are ignored, and
  // the folder stays the one the setup will get and the registry will record.
  ASSERT_TRUE(RunOnUi([this] {
    EXPECT_TRUE(flow_->StartInstall());
    EXPECT_FALSE(flow_->StartInstall());
    flow_->HandleFlowButton(L"btn_startinstall");
    flow_->HandleFlowButton(L"btn_reinstall");
    flow_->HandleFlowButton(L"btn_startapp");
    flow_->HandleFlowButton(L"btn_exit");
    flow_->SetInstallDir(L"/elsewhere");
    EXPECT_EQ(flow_->state(), kStateDownloading);
  }));
  EXPECT_EQ(view_.Count("show installpage"), 1u);
  EXPECT_EQ(context_->retryClicks, 0);
  EXPECT_EQ(context_->installDir, kInstallDir);
  EXPECT_EQ(view_.Count("close"), 0u);
  WaitForFailurePage(1);

  // Failure page: "Install Now" is gone; two quick "Try Again" clicks make one run.
  ASSERT_TRUE(RunOnUi([this] {
    flow_->HandleFlowButton(L"btn_startinstall");
    flow_->HandleFlowButton(L"btn_reinstall");
    flow_->HandleFlowButton(L"btn_reinstall");
  }));
  EXPECT_EQ(view_.Count("show installpage"), 2u);
  EXPECT_EQ(context_->retryClicks, 1);
  WaitForFailurePage(2);
  EXPECT_EQ(view_.Count("question Quit"), 0u);
}

}  // namespace

// What the user asked for and the flow cannot do is said in a note box, not
// dropped: a folder typed into the folder box that cannot be used (4,231
// characters) keeps the old folder and shows the flow's reason; a web page
// with no browser to open it shows its address.
TEST_F(FlowGuardTest, RefusedFolderAndUnopenedPageAreSaidInANote) {
  const std::wstring typed = std::wstring(1, nbase::kPathSeparator) + std::wstring(4230, L'a');
  InstallFolderChoice choice;
  ASSERT_TRUE(RunOnUi([&] { choice = flow_->SetInstallDir(typed); }));
  ASSERT_FALSE(choice.ok());
  EXPECT_EQ(context_->installDir, kInstallDir);
  EXPECT_EQ(view_.Count("note Note|" + nbase::WideToUTF8(choice.problem)), 1u);

  ASSERT_TRUE(RunOnUi([this] { flow_->HandleFlowButton(L"btn_useragreement"); }));
  EXPECT_EQ(view_.Lines().size(), 1u) << "a page that opened was noted";
  browser_works_ = false;
  ASSERT_TRUE(RunOnUi([this] { flow_->HandleFlowButton(L"btn_useragreement"); }));
  EXPECT_EQ(view_.Count("note Note|" + nbase::WideToUTF8(PageNotOpenedNote(kAgreementUrl))), 1u);
  EXPECT_NE(PageNotOpenedNote(kAgreementUrl).find(kAgreementUrl), std::wstring::npos);
}
