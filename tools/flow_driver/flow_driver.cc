// lumacast-flow: runs the installer's whole flow without a window, against the
// hosts the build points at, and prints every page change, text change,
// question and progress figure (see console_view.h for the lines).
//
//   lumacast-flow [--answer yes|no[,yes|no...]] [--install-dir DIR]
//                 [--download-dir DIR] [--retry N] [--start-app] [--timeout SEC]
//
// Questions are answered with "no" unless --answer says otherwise (answers are
// used in turn, the last one repeats). --retry presses "Try Again" up to N
// times on the failure page, while the flow still shows it; --start-app
// presses "Start Now" on the installed page. Folders may be relative (to the
// current folder); they are used in absolute form. Exit status: 0 on the
// installed page, 1 on the failure page (or a close from any other page), 2
// for bad options, a time-out or a stop request (SIGTERM/SIGINT, Ctrl+C).
// A time-out or stop ends a download or setup wait under way within seconds;
// a setup that is running is left to finish on its own.
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/context/folder_path.h"
#include "tools/flow_driver/console_view.h"
#include "tools/flow_driver/stop_requests.h"
#include "app/flow/install_flow.h"
#include "app/context/installer_context.h"
#include "app/startup/worker_thread.h"
#include "app/startup/thread_ids.h"
#include "base/file_util.h"
#include "base/framework_thread.h"
#include "base/message_loop.h"
#include "base/thread_registry.h"
#include "base/utf.h"
#include "report/event_report.h"

namespace {

struct DriverOptions {
  std::vector<MsgBoxRet> answers;
  std::optional<std::wstring> install_dir;
  std::optional<std::wstring> download_dir;
  int retries = 0;
  bool start_app = false;
  int timeout_seconds = 900;
};

bool ParseAnswers(const std::wstring& text, std::vector<MsgBoxRet>* answers) {
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find(L',', begin);
    if (end == std::wstring::npos) end = text.size();
    std::wstring word = text.substr(begin, end - begin);
    if (word == L"yes") {
      answers->push_back(kMsgBoxYes);
    } else if (word == L"no") {
      answers->push_back(kMsgBoxNo);
    } else {
      return false;
    }
    begin = end + 1;
  }
  return true;
}

bool ParseCount(const std::wstring& text, int* value) {
  wchar_t* end = nullptr;
  long parsed = std::wcstol(text.c_str(), &end, 10);
  if (text.empty() || *end != L'\0' || parsed < 0 || parsed > 1000000) return false;
  *value = static_cast<int>(parsed);
  return true;
}

bool ParseOptions(const std::vector<std::wstring>& args, DriverOptions* options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    const bool has_value = i + 1 < args.size();
    if (arg == L"--start-app") {
      options->start_app = true;
    } else if (!has_value) {
      return false;
    } else if (arg == L"--answer") {
      if (!ParseAnswers(args[++i], &options->answers)) return false;
    } else if (arg == L"--install-dir" || arg == L"--download-dir") {
      const std::wstring folder = AbsoluteFolder(args[++i]);
      if (folder.empty()) return false;
      (arg == L"--install-dir" ? options->install_dir : options->download_dir) = folder;
    } else if (arg == L"--retry") {
      if (!ParseCount(args[++i], &options->retries)) return false;
    } else if (arg == L"--timeout") {
      if (!ParseCount(args[++i], &options->timeout_seconds)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// The UI thread of the driver: owns the two workers, the context, the view
// and the flow, all created and destroyed on this thread.
class DriverThread : public nbase::FrameworkThread {
 public:
  explicit DriverThread(DriverOptions options)
      : FrameworkThread("MainThread"), options_(std::move(options)) {}
  ~DriverThread() override { Stop(); }

  int exit_code() const { return exit_code_; }

 protected:
  void OnThreadStart() override {
    registered_ = nbase::ThreadRegistry::Get().BindIdentifier(kUiThreadId);
    misc_ = std::make_unique<WorkerThread>("Global Misc Thread", kMiscThreadId);
    http_ = std::make_unique<WorkerThread>("http Thread", kHttpThreadId);
    if (!registered_ || !misc_->Launch() || !http_->Launch()) {
      std::fputs("lumacast-flow: cannot start threads\n", stderr);
      Finish(2);
      return;
    }
    InitReporting(kHttpThreadId);

    context_ = std::make_unique<InstallerContext>();
    if (options_.install_dir) context_->installDir = *options_.install_dir;
    if (options_.download_dir) {
      const std::wstring folder = *options_.download_dir + nbase::kPathSeparator;
      nbase::CreateDirectoryRecursive(folder);
      context_->downloadDir = folder;
      context_->setupFilePath = folder + kSetupFileName;
    }
    view_ = std::make_unique<ConsoleView>(stdout, options_.answers);
    view_->set_on_visible([this](const std::wstring& name, bool visible) { OnVisible(name, visible); });
    view_->set_on_close([this] { Finish(flow_->state() == kStateInstalled ? 0 : 1); });
    flow_ = std::make_unique<InstallFlow>(context_.get(), view_.get());

    auto& registry = nbase::ThreadRegistry::Get();
    registry.PostAfter(kUiThreadId, MakeGuarded([this] {
                         std::fputs("lumacast-flow: timed out\n", stderr);
                         Finish(2);
                       }),
                       nbase::TimeDelta::FromSeconds(options_.timeout_seconds));
    registry.Post(kUiThreadId, MakeGuarded([this] { flow_->StartInstall(); }));
  }

 public:
  // UI thread: a stop request from outside ends the run like a time-out.
  void Stop() {
    if (finished_) return;
    std::fputs("lumacast-flow: stopped\n", stderr);
    Finish(2);
  }

 protected:

  void OnThreadStop() override {
    // The flow goes first: it cancels the worker's download or setup wait,
    // so joining the worker below takes seconds at most.
    flow_.reset();
    // Workers first: the misc thread may still queue a report, and stopping
    // the HTTP thread sends everything queued before it ends.
    misc_.reset();
    http_.reset();
    view_.reset();
    context_.reset();
    if (registered_) nbase::ThreadRegistry::Get().ReleaseIdentifier();
  }

 private:
  void OnVisible(const std::wstring& name, bool visible) {
    // Once the flow hides "Try Again" it is not pressed again.
    if (name == L"btn_reinstall") retry_offered_ = visible;
    if (!visible) return;
    auto& registry = nbase::ThreadRegistry::Get();
    if (name == L"installedpage") {
      if (options_.start_app) {
        registry.Post(kUiThreadId, MakeGuarded([this] { flow_->HandleFlowButton(L"btn_startapp"); }));
      } else {
        Finish(0);
      }
    } else if (name == L"installfaildpage") {
      if (options_.retries > 0 && retry_offered_) {
        --options_.retries;
        registry.Post(kUiThreadId, MakeGuarded([this] { flow_->HandleFlowButton(L"btn_reinstall"); }));
      } else {
        Finish(1);
      }
    }
  }

  void Finish(int code) {
    if (finished_) return;
    finished_ = true;
    exit_code_ = code;
    // Posted, so it also works before the loop has started to run.
    loop()->Post([] { nbase::MessageLoop::QuitCurrentWhenIdle(); });
  }

  DriverOptions options_;
  bool registered_ = false;
  bool finished_ = false;
  bool retry_offered_ = true;
  int exit_code_ = 1;
  std::unique_ptr<WorkerThread> misc_;
  std::unique_ptr<WorkerThread> http_;
  std::unique_ptr<InstallerContext> context_;
  std::unique_ptr<ConsoleView> view_;
  std::unique_ptr<InstallFlow> flow_;
};

int RunDriver(const std::vector<std::wstring>& args) {
  DriverOptions options;
  if (!ParseOptions(args, &options)) {
    std::fputs(
        "usage: lumacast-flow [--answer yes|no[,...]] [--install-dir DIR] [--download-dir DIR]"
        " [--retry N] [--start-app] [--timeout SEC]\n",
        stderr);
    return 2;
  }
  if (options.install_dir) {
    const InstallFolderChoice choice = CheckInstallFolder(*options.install_dir);
    if (!choice.ok()) {
      std::fprintf(stderr, "lumacast-flow: --install-dir: %s\n", nbase::WideToUTF8(choice.problem).c_str());
      return 2;
    }
  }
  static DriverThread* running = nullptr;
  // A request before the UI thread is registered or after it has let go
  // (nothing to stop in order) ends the process at once.
  WatchStopRequests([] {
    if (!nbase::ThreadRegistry::Get().Post(kUiThreadId, [] { running->Stop(); })) std::_Exit(2);
  });
  DriverThread ui(std::move(options));
  running = &ui;
  ui.RunHere(nbase::kLoopWindows);
  return ui.exit_code();
}

}  // namespace

#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  return RunDriver(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(nbase::UTF8ToWide(argv[i]));
    // A folder that is not UTF-8 cannot be passed on faithfully: refuse it
    // rather than run with an empty or altered one.
    if (args.back().empty() && argv[i][0] != '\0') {
      std::fprintf(stderr, "lumacast-flow: argument %d is not valid UTF-8\n", i);
      return 2;
    }
  }
  return RunDriver(args);
}
#endif
