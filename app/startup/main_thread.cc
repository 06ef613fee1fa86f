#include "app/startup/main_thread.h"

#include <utility>

#include "app/startup/thread_ids.h"
#include "base/thread_registry.h"
#include "app/startup/app_start_report.h"
#include "app/startup/installer_ui.h"
#include "report/event_report.h"

MainThread::MainThread(SystemPrompt* prompt, std::wstring instance_name, bool with_ui)
    : FrameworkThread("MainThread"), prompt_(prompt), instance_name_(std::move(instance_name)), with_ui_(with_ui) {}

MainThread::~MainThread() {
  // The HTTP thread goes first: each reset runs the thread's due tasks, then
  // joins it.
  httpThread_.reset();
  miscThread_.reset();
}

void MainThread::OnThreadStart() {
  instanceLock_ = AcquireSingleInstance(instance_name_, prompt_);
  if (!instanceLock_) {
    // Cancelled: nothing is set up, no window; the loop ends at once and the
    // process exits with 0.
    PostQuitToUiLoop();
    return;
  }

  ui_registered_ = nbase::ThreadRegistry::Get().BindIdentifier(kUiThreadId);

  // Launch() returns once the worker has registered its identifier, so posts
  // to it from here on find it. A worker that fails to start is left alone:
  // posts to its identifier then fail.
  miscThread_ = std::make_unique<WorkerThread>("Global Misc Thread", kMiscThreadId);
  miscThread_->Launch();
  httpThread_ = std::make_unique<WorkerThread>("http Thread", kHttpThreadId);
  httpThread_->Launch();

  // Report cookies first: every report of the run carries them.
  InitReporting(kHttpThreadId);
  if (with_ui_) {
    StartUiToolkit();  // the start report carries the screen scale it finds
    ui_started_ = true;
  }
  SendAppStartReport();
  if (with_ui_ && !OpenMainWindow()) {
    exit_code_ = 1;
    PostQuitToUiLoop();
  }
}

void MainThread::OnThreadStop() {
  // A quit from outside while the window is up: the window ends the run in
  // order (it never returns here then).
  if (ui_started_) EndMainWindowOnQuit();
  if (ui_started_) StopUiToolkit();
  ui_started_ = false;
  if (ui_registered_) nbase::ThreadRegistry::Get().ReleaseIdentifier();
  ui_registered_ = false;
}
