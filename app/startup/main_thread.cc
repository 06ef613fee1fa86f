#include "app/startup/main_thread.h"

#include <utility>

#include "app/startup/thread_ids.h"
#include "base/thread_registry.h"
#include "app/startup/app_start_report.h"
#include "report/event_report.h"

MainThread::MainThread(SystemPrompt* prompt, std::wstring instance_name)
    : FrameworkThread("MainThread"), prompt_(prompt), instance_name_(std::move(instance_name)) {}

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
  // Theme and UI framework set-up: added here.
  SendAppStartReport();
  // Main window: added here.
}

void MainThread::OnThreadStop() {
  if (ui_registered_) nbase::ThreadRegistry::Get().ReleaseIdentifier();
  ui_registered_ = false;
}
