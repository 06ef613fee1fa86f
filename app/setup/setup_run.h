// Running the downloaded setup package silently (Global Misc Thread).
//
// The setup is started as `"<setup file>" /S /D=<install folder>`: the program
// path quoted (and, on Windows, also given as the application name), " /D="
// last and unquoted because the setup takes the rest of its line as the
// folder. The folder must already be in the form setups accept (absolute, the
// system's separators: see app/context/folder_path.h), because a setup quietly
// ignores any other form. A run counts as successful only when the setup
// exits with 0 and the product file is in the folder afterwards: setups also
// return 0 when they could not write there. It is run up to three times until
// one succeeds; the run reports "InstallTimeCost". When the verified file is still held open, the setup is
// started from it, so the bytes that were checked are the bytes that run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/download/held_file.h"
#include "app/download/setup_download.h"
#include "app/setup/process_control.h"

struct SetupRunJob {
  std::wstring setup_file_path;
  std::wstring install_dir;
  std::shared_ptr<HeldFile> setup_file;  // may be null
  std::shared_ptr<const CancelFlag> cancel;  // may be null
};

struct SetupRunOutcome {
  int32_t exit_code = 0;    // of the last run; -2 not started, -1 unreadable
  // System error of the last launch, 0 when it ran and installed;
  // kProductMissingError when it exited with 0 but installed nothing.
  uint32_t error = 0;
  int retry_time = 0;       // failed runs before success, 3 after three failures
  int64_t file_size_after = 0;  // size of the setup file after a failed run (-1 gone)
  bool cancelled = false;   // given up through the job's cancel flag; nothing reported
  // The last run exited with 0 and the product is in the install folder.
  bool installed() const { return !cancelled && exit_code == 0 && error == 0; }
};

// The error of a run that exited with 0 without leaving the product in the
// install folder (the system's "file not found").
inline constexpr uint32_t kProductMissingError = 2;

inline constexpr int kSetupAttempts = 3;

// The setup's command: program, "/S", "/D=<install folder>".
LaunchCommand SetupCommand(const std::wstring& setup_file_path, const std::wstring& install_dir);

// Runs the setup (worker thread), sends "InstallTimeCost", returns the result.
SetupRunOutcome RunSetupPackage(const SetupRunJob& job);
