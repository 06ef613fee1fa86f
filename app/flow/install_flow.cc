#include "app/flow/install_flow.h"

#include <utility>

#include "config/build_config.h"
#include "report/event_report.h"
#include "app/flow/install_flow_results.h"
#include "app/context/folder_path.h"
#include "app/launch/installed_state.h"
#include "app/launch/open_in_browser.h"
#include "app/startup/thread_ids.h"
#include "base/thread_registry.h"
#include "base/file_util.h"
#include "base/time.h"
#include "platform/registry.h"

using namespace flow_controls;

namespace {

constexpr int kStartProgress = 10;
constexpr int kDownloadedProgress = 900;
constexpr int64_t kProgressTickMs = 200;
// The error shown for an install folder that cannot be passed to the setup
// (ERROR_BAD_PATHNAME).
constexpr uint32_t kBadInstallFolderError = 161;

uint32_t SystemTickCount() { return static_cast<uint32_t>(nbase::CurrentTime() / 1000); }

void PostToUi(nbase::Closure task) { nbase::ThreadRegistry::Get().Post(kUiThreadId, std::move(task)); }

// States in which a download, the running-product question or the setup run
// is under way: nothing may start another one or leave the page.
bool IsBusy(InstallerState state) {
  return state == kStateDownloading || state == kStateInstalling || state == kStateProductRunning;
}

bool IsFailed(InstallerState state) { return state == kStateDownloadFailed || state == kStateInstallFailed; }

}  // namespace

// Shared by the flow and the worker jobs it posts: the last one to let go
// removes the file, so a download or setup still under way when the flow goes
// cleans up after itself once it has given up.
class SetupFileCleanup {
 public:
  explicit SetupFileCleanup(std::wstring path) : path_(std::move(path)) {}
  ~SetupFileCleanup() { nbase::RemoveFile(path_); }
  SetupFileCleanup(const SetupFileCleanup&) = delete;
  SetupFileCleanup& operator=(const SetupFileCleanup&) = delete;

 private:
  std::wstring path_;
};

FlowOptions DefaultFlowOptions() {
  FlowOptions settings;
  settings.cdnUrl = L"http://" LUMACAST_CDN_HOST_W L"/app3/LumaSuite/lumacast/lumacastsetup.exe";
  settings.userAgreementUrl = L"https://" LUMACAST_WEB_HOST_W L"/user-agreement/";
  settings.offlinePackageUrl = L"https://" LUMACAST_WEB_HOST_W L"/screen-mirror/offlinepackage";
  settings.openUrl = OpenInBrowser;
  settings.tickCount = SystemTickCount;
  return settings;
}

InstallFlow::InstallFlow(InstallerContext* context, FlowView* view, FlowOptions options)
    : context_(context),
      view_(view),
      options_(std::move(options)),
      stats_(std::make_shared<DownloadStats>()),
      partial_(std::make_shared<PartialDownload>()),
      cancel_(std::make_shared<CancelFlag>(false)) {
  if (!options_.openUrl) options_.openUrl = OpenInBrowser;
  if (!options_.tickCount) options_.tickCount = SystemTickCount;
}

InstallFlow::~InstallFlow() {
  // A download or setup wait still running on the worker gives up at once,
  // so whoever joins the worker next is not held up by it.
  cancel_->store(true);
  // Removed now; a job still under way removes it again when it lets go.
  RemoveSetupFile();
}

void InstallFlow::RemoveSetupFile() {
  setupFile_.reset();
  if (setupFileCleanup_) nbase::RemoveFile(context_->setupFilePath);
  setupFileCleanup_.reset();
}

void InstallFlow::CloseView() {
  // For the real window, closing ends the process at once.
  RemoveSetupFile();
  view_->Close();
}

bool InstallFlow::HandleFlowButton(const std::wstring& name) {
  if (name == L"btn_useragreement") {
    OpenPage(options_.userAgreementUrl);
  } else if (name == L"btn_startinstall") {
    StartInstall();
  } else if (name == L"btn_startapp") {
    LaunchProduct();
  } else if (name == L"btn_reinstall") {
    if (RestartInstall()) ++context_->retryClicks;
  } else if (name == L"btn_exit") {
    QuitRequested();
  } else if (name == L"btn_redownload" || name == L"btn_downloadOfflinePackage") {
    OpenOfflinePackagePage();
  } else {
    return false;
  }
  return true;
}

void InstallFlow::ShowInstallingPage(bool from_welcome) {
  view_->SetVisible(kHeaderStrip, false);
  view_->SetVisible(kHeaderImage, true);
  if (from_welcome) view_->CollapseCustomizeBar();
  view_->SetVisible(from_welcome ? kWelcomePage : kFailedPage, false);
  view_->SetVisible(kExitButton, false);
  view_->SetVisible(kInstallPage, true);
  SetState(kStateDownloading);
  UpdateInstallProgress(kStartProgress);
  StartSetupDownload();
}

bool InstallFlow::StartInstall() {
  if (state() != kStateWelcome) return false;
  ShowInstallingPage(true);
  if (!progressTimerStarted_) {
    progressTimerStarted_ = true;
    // Each run hands a fresh tick to the UI loop; both hops die with the flow.
    nbase::Closure tick = [this] { PostToUi(MakeGuarded([this] { UpdateInstallProgress(0); })); };
    nbase::ThreadRegistry::Get().PostRecurring(kUiThreadId, MakeGuarded(std::move(tick)),
                                               nbase::TimeDelta::FromMilliseconds(kProgressTickMs), -1);
  }
  ReportEvent("OnClick", {{"ClickSrc", "Install"}});
  return true;
}

bool InstallFlow::RestartInstall() {
  if (!IsFailed(state())) return false;
  ShowInstallingPage(false);
  ReportEvent("OnClick", {{"ClickSrc", "ReInstall"}});
  return true;
}

void InstallFlow::StartSetupDownload() {
  // The previous run's share must not show up at the first tick of this one;
  // a run that continues kept bytes starts the bar where they put it. (The
  // worker touches the record only while a run is under way.)
  const int32_t kept_share = KeptDownloadShare(*partial_);
  stats_->downloadProgress = kept_share;
  if (kept_share > 0) UpdateInstallProgress(kept_share);
  DownloadJob job{context_->packageUrl, options_.cdnUrl, context_->downloadDir, context_->setupFilePath,
                  stats_, cancel_, partial_};
  if (!setupFileCleanup_) setupFileCleanup_ = std::make_shared<SetupFileCleanup>(context_->setupFilePath);
  auto done = MakeGuarded([this](DownloadOutcome outcome) { OnSetupDownloaded(std::move(outcome)); });
  // The worker gets copies only; it touches the flow solely through `done`,
  // which runs back on the UI thread.
  nbase::ThreadRegistry::Get().Post(kMiscThreadId, [job = std::move(job), done, cleanup = setupFileCleanup_]() {
    DownloadOutcome outcome = DownloadSetupPackage(job);
    PostToUi([done, outcome = std::move(outcome)]() mutable { done(std::move(outcome)); });
  });
}

void InstallFlow::OnSetupDownloaded(DownloadOutcome outcome) {
  context_->downloadResult = outcome.download_result;
  context_->downloadDiagnostic = outcome.diagnostic;
  if (outcome.result == 0) {
    setupFile_ = std::move(outcome.setup_file);
    UpdateInstallProgress(kDownloadedProgress);
    CheckRunningProduct();
    return;
  }
  SetState(kStateDownloadFailed);
  if (context_->retryClicks > 0) view_->SetVisible(kRetryButton, false);
  ShowDownloadFailed(DownloadFailureMessage(context_->downloadDiagnostic));
}

void InstallFlow::CheckRunningProduct() {
  if (CountProductProcesses(kProductExecutable) == 0) {
    SetState(kStateInstalling);
    StartSetupRun();
    return;
  }
  SetState(kStateProductRunning);
  QuestionBox box{L"Application \"LumaCast\" is running\uFF0Ckill this process to continue installing\uFF1F",
                  L"Note", L"Try Again", L"Kill & Continue"};
  view_->AskQuestion(box, MakeGuarded([this](MsgBoxRet answer) { OnRunningProductAnswer(answer); }));
}

void InstallFlow::OnRunningProductAnswer(MsgBoxRet answer) {
  if (state() != kStateProductRunning) return;
  if (answer == kMsgBoxYes) {
    CheckRunningProduct();
    return;
  }
  if (answer != kMsgBoxNo) {
    // Dismissed, or no box could be asked: the user's program keeps running
    // and the install waits on the welcome page.
    ReturnToWelcomePage();
    return;
  }
  // Ending waits until the processes are gone, so it runs on the worker.
  auto done = MakeGuarded([this](int left) { OnProductProcessesEnded(left); });
  nbase::ThreadRegistry::Get().Post(kMiscThreadId, [done] {
    const int left = EndProductProcesses(kProductExecutable);
    PostToUi([done, left] { done(left); });
  });
}

void InstallFlow::OnProductProcessesEnded(int left) {
  if (state() != kStateProductRunning) return;
  if (left == 0) {
    SetState(kStateInstalling);
    StartSetupRun();
    return;
  }
  // The setup cannot replace a running product: say so and ask again.
  view_->ShowErrorNote(kProductNotEndedNote, kProductNotEndedTitle);
  CheckRunningProduct();
}

void InstallFlow::ReturnToWelcomePage() {
  setupFile_.reset();
  SetState(kStateWelcome);
  view_->SetVisible(kInstallPage, false);
  view_->SetVisible(kWelcomePage, true);
  view_->SetVisible(kExitButton, true);
}

void InstallFlow::StartSetupRun() {
  // Setups take "/D=" only in their one form and quietly ignore any other, so
  // the folder is passed (and later recorded) in exactly that form.
  const InstallFolderChoice folder = CheckInstallFolder(context_->installDir);
  if (!folder.ok()) {
    SetupRunOutcome refused;
    refused.exit_code = -2;
    refused.error = kBadInstallFolderError;
    refused.file_size_after = nbase::FileSize64(context_->setupFilePath);
    OnSetupFinished(refused);
    return;
  }
  context_->installDir = folder.folder;
  SetupRunJob job{context_->setupFilePath, context_->installDir, setupFile_, cancel_};
  auto done = MakeGuarded([this](const SetupRunOutcome& outcome) { OnSetupFinished(outcome); });
  nbase::ThreadRegistry::Get().Post(kMiscThreadId, [job = std::move(job), done, cleanup = setupFileCleanup_]() mutable {
    SetupRunOutcome outcome = RunSetupPackage(job);
    job.setup_file.reset();  // the runs are over: let go of the file on this thread
    PostToUi([done, outcome] { done(outcome); });
  });
}

void InstallFlow::OnSetupFinished(const SetupRunOutcome& outcome) {
  setupFile_.reset();
  context_->setupExitCode = outcome.exit_code;
  context_->setupError = outcome.error;
  if (outcome.installed()) {
    // The package has done its job; nothing of it stays behind.
    nbase::RemoveFile(context_->setupFilePath);
    SetState(kStateInstalled);
    ShowInstallSucceeded();
    return;
  }
  const bool vanished = outcome.file_size_after <= 0;
  SetState(kStateInstallFailed);
  if (context_->retryClicks > 0) view_->SetVisible(kRetryButton, false);
  ShowInstallFailed(InstallFailureMessage(outcome.exit_code, outcome.error, *stats_, vanished));
  if (vanished) view_->ShowErrorNote(kVanishedFileNote, kVanishedFileTitle);
}

void InstallFlow::UpdateInstallProgress(int value) {
  InstallProgress::Frame frame;
  if (!progress_.Update(state(), value, options_.tickCount(), stats_->downloadProgress.load(), &frame)) return;
  if (frame.show_alert) view_->SetVisible(kSlowAlert, true);
  context_->progress = progress_.progress();
  view_->SetProgressValue(frame.bar);
  view_->SetText(kProgressLabel, frame.label);
}

void InstallFlow::QuitRequested() {
  if (IsBusy(state())) return;  // the exit button is hidden meanwhile
  if (state() == kStateInstalled) {
    LaunchProduct();
    return;
  }
  if (IsProductInstalled()) {
    if (ReadRegistryString(kAppInfoKey, L"InstallerPath").empty()) {
      ReportEvent("offline", {{"result", "success"}});
    }
    ReportEvent("OnClick", {{"btn_exit", state() == kStateDownloadFailed ? kQuitInstalledAfterFailure
                                                                            : kQuitInstalled}});
    CloseView();
    return;
  }
  QuestionBox box{L"Please download the full installation package and install \"LumaCast\" manually. "
                  L"Are you sure to quit?",
                  L"Note", L"Quit", L"Download full package"};
  view_->AskQuestion(box, MakeGuarded([this](MsgBoxRet answer) { OnQuitAnswer(answer); }));
}

void InstallFlow::OnQuitAnswer(MsgBoxRet answer) {
  if (IsBusy(state()) || answer == kMsgBoxUnanswered) return;  // unasked: stay on the page
  if (answer != kMsgBoxYes) {
    OpenOfflinePackagePage();
    return;
  }
  ReportEvent("OnClick", {{"btn_exit", kQuitNotInstalled}});
  CloseView();
}

void InstallFlow::OpenOfflinePackagePage() {
  ReportEvent("OnClick", {{"ClickSrc", "DownloadOffline"}});
  OpenPage(options_.offlinePackageUrl);
}

void InstallFlow::OpenPage(const std::wstring& url) {
  if (!options_.openUrl(url)) view_->ShowNote(PageNotOpenedNote(TrimUrl(url)), kNoteTitle);
}

void InstallFlow::LaunchProduct() {
  if (state() != kStateInstalled) return;
  // Quoted and named as the application: a folder with spaces can never
  // start a program on a prefix of its path.
  if (!StartDetachedProcess(ProductLaunchCommand(context_->installDir))) {
    view_->ShowErrorNote(kProductNotStartedNote, kProductNotStartedTitle);
  }
  CloseView();
}

InstallFolderChoice InstallFlow::SetInstallDir(const std::wstring& folder) {
  InstallFolderChoice choice = CheckInstallFolder(folder);
  // The running setup was given the folder that will be recorded.
  if (IsBusy(state())) return choice;
  if (!choice.ok()) {
    view_->ShowNote(choice.problem, kNoteTitle);
    return choice;
  }
  context_->installDir = choice.folder;
  view_->SetText(kInstallDirEdit, choice.folder);
  return choice;
}
