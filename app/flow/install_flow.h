// InstallFlow: the installer's flow from "Install Now" to a result page,
// without a window.
//
// The flow keeps the installer's progress state (page state, progress figure,
// retry count, the last download and setup results) in the installer context
// it is given, and runs every step of an install: the download on the Global Misc Thread, the running-product check
// and its question, the silent setup run, the progress ticks, the result pages
// and every event report. It shows what happens only through a `FlowView`, so
// the main window, the console driver and tests all drive the same code.
//
// Thread: lives on the UI thread (the thread bound to kUiThreadId) and is
// called only there. Work handed to the worker comes back as posted tasks
// guarded by the flow's weak flag, so a result arriving after the flow is gone
// is dropped. The download statistics are the only data the worker writes
// while the UI thread reads them (atomics, see setup_download.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/flow/flow_view.h"
#include "app/context/folder_path.h"
#include "app/context/installer_context.h"
#include "app/flow/install_progress.h"
#include "app/context/installer_state.h"
#include "app/download/setup_download.h"
#include "app/setup/setup_run.h"
#include "base/weak_callback.h"

// The flow's fixed addresses and its two outside effects that a tool or test
// may replace.
struct FlowOptions {
  std::wstring cdnUrl;  // plain mirror of the package
  std::wstring userAgreementUrl;
  std::wstring offlinePackageUrl;
  // Opens a web page; OpenInBrowser by default. False when it could not be
  // opened: the flow then shows the address in a note.
  std::function<bool(const std::wstring&)> openUrl;
  // 32-bit millisecond tick count for the slow-download clock.
  std::function<uint32_t()> tickCount;
};

// The build's addresses, the real browser and the real clock.
FlowOptions DefaultFlowOptions();

class SetupFileCleanup;

class InstallFlow : public nbase::SupportWeakCallback {
 public:
  // `context` (paths, channel, package address; it also receives the flow's
  // results) and `view` must outlive the flow. Whenever the flow ends (it is
  // destroyed, or it closes the window) the setup file goes with it; while
  // the flow lives, a partial file may stay for the next attempt.
  InstallFlow(InstallerContext* context, FlowView* view, FlowOptions options = DefaultFlowOptions());
  ~InstallFlow() override;

  // Runs the flow's part of a button click; false for names the flow does not
  // handle (customize bar, folder picker: the window's own business).
  bool HandleFlowButton(const std::wstring& name);

  // Each step below runs only in the states whose page offers it and does
  // nothing otherwise, so a second click cannot start a second download
  // into the same file.

  // "Install Now" on the welcome page: installing page, progress at 1.0 %,
  // download posted to the worker, the 200 ms progress timer started,
  // "OnClick"/"Install" reported. False (nothing done) in any other state.
  bool StartInstall();
  // "Try Again" from a failure page: a fresh download run. False (nothing
  // done) in any other state.
  bool RestartInstall();
  // The close button: start the product, quit quietly, or ask first. Nothing
  // while a download, the running-product question or the setup is under way.
  void QuitRequested();
  // "Download Now" and the slow-download link.
  void OpenOfflinePackagePage();
  // Opens a web page; one that cannot be opened is shown as a note with its
  // address, for the user to copy.
  void OpenPage(const std::wstring& url);
  // Once installed: starts the product with "--install" and closes the window
  // (after a note when it could not be started).
  void LaunchProduct();
  // 0 is a timer tick; other values set the figure (see install_progress.h).
  void UpdateInstallProgress(int value);

  // The install folder chosen on the welcome page (the folder picker's
  // result). Taken in its absolute form (see folder_path.h) and shown; a
  // folder that cannot be used is refused, its reason shown in a note, and
  // the previous one stays. Ignored while an install is under way.
  InstallFolderChoice SetInstallDir(const std::wstring& folder);

  InstallerState state() const { return static_cast<InstallerState>(context_->state); }
  const InstallerContext& context() const { return *context_; }
  const DownloadStats& downloadStats() const { return *stats_; }

 private:
  void StartSetupDownload();
  void OnSetupDownloaded(DownloadOutcome outcome);
  void CheckRunningProduct();
  void OnRunningProductAnswer(MsgBoxRet answer);
  // The running-product question dismissed: back to the welcome page, the
  // product left running.
  void ReturnToWelcomePage();
  // `left`: product processes that could not be ended.
  void OnProductProcessesEnded(int left);
  void StartSetupRun();
  void OnSetupFinished(const SetupRunOutcome& outcome);
  void OnQuitAnswer(MsgBoxRet answer);
  void ShowInstallingPage(bool from_welcome);
  // The installer is about to end: the setup file is let go and removed.
  void RemoveSetupFile();
  // Closes the window, leaving nothing of the download behind.
  void CloseView();

  // Result pages (install_flow_results.cc).
  void ShowInstallSucceeded();
  void ShowDownloadFailed(const std::wstring& message);
  void ShowInstallFailed(const std::wstring& message);
  void ShowFailurePage(const std::wstring& reason, const std::wstring& message);

  void SetState(InstallerState state) { context_->state = state; }

  InstallerContext* context_;
  FlowView* view_;
  FlowOptions options_;
  std::shared_ptr<DownloadStats> stats_;
  // What a cut download left for the next attempt or "Try Again" to continue.
  std::shared_ptr<PartialDownload> partial_;
  InstallProgress progress_;
  bool progressTimerStarted_ = false;
  // The verified setup file, held open from verification until the setup
  // run has ended.
  std::shared_ptr<HeldFile> setupFile_;
  // Set when the flow goes: the worker's download or setup wait gives up.
  std::shared_ptr<CancelFlag> cancel_;
  // Removes the setup file when the flow and every worker job that may still
  // write or run it have let go (created with the first download).
  std::shared_ptr<SetupFileCleanup> setupFileCleanup_;
};
