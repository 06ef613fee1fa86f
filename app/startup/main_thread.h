// The UI thread: the process's first thread, turned into a framework thread
// whose loop (kLoopWindows) runs on the entry point's stack through RunHere.
//
// OnThreadStart, before the loop runs, makes sure only one copy of the
// installer is running (asking the user through `prompt` while another copy
// holds the lock), registers the UI thread as kUiThreadId and starts the two
// workers, which are registered by the time it returns. If the user cancels
// the prompt, nothing is set up and the loop is asked to quit at its first
// turn. OnThreadStop undoes the registration. Destroying MainThread stops and
// joins the HTTP thread, then the miscellaneous thread. With the UI, start-up
// also opens the theme, starts the UI toolkit, sends the start report and
// opens the main window; a main window that cannot be built ends the loop at
// once with exit code 1 (the instance lock goes with MainThread). Lives and dies on the
// UI thread.
#pragma once

#include <memory>
#include <string>

#include "app/startup/worker_thread.h"
#include "app/startup/single_instance.h"
#include "base/framework_thread.h"

class SystemPrompt;

class MainThread : public nbase::FrameworkThread {
 public:
  // `prompt` must outlive OnThreadStart. `instance_name` is the single-instance
  // lock (tests use their own).
  // `with_ui`: also start the UI toolkit and open the main window (the
  // program; tests of the threads leave it out).
  explicit MainThread(SystemPrompt* prompt, std::wstring instance_name = kSingleInstanceName, bool with_ui = false);
  ~MainThread() override;

  WorkerThread* misc_thread() const { return miscThread_.get(); }
  WorkerThread* http_thread() const { return httpThread_.get(); }
  // True once the single-instance lock is held (the set-up went on).
  bool holds_instance_lock() const { return instanceLock_ != nullptr; }
  // The process exit code: 0, or 1 when the main window could not be built.
  int exit_code() const { return exit_code_; }

 protected:
  void OnThreadStart() override;
  void OnThreadStop() override;

 private:
  SystemPrompt* prompt_;
  const std::wstring instance_name_;
  const bool with_ui_;
  bool ui_registered_ = false;
  bool ui_started_ = false;
  int exit_code_ = 0;
  std::unique_ptr<WorkerThread> miscThread_;
  std::unique_ptr<WorkerThread> httpThread_;
  // Released after the workers are joined, as the entry point returns (the
  // system would drop it a moment later at process end anyway).
  std::unique_ptr<InstanceLock> instanceLock_;
};

// Ends the UI loop at its first turn from OnThreadStart, the platform's way
// (Windows: PostQuitMessage(0); Linux: the loop's own quit task).
void PostQuitToUiLoop();
