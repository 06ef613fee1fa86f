#include "app/setup/setup_run.h"

#include <chrono>

#include "app/context/installer_context.h"
#include "base/file_util.h"
#include "report/event_report.h"

namespace {

int64_t WallClockMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

LaunchCommand SetupCommand(const std::wstring& setup_file_path, const std::wstring& install_dir) {
  return LaunchCommand{setup_file_path, {L"/S", L"/D=" + install_dir}};
}

SetupRunOutcome RunSetupPackage(const SetupRunJob& job) {
  const int64_t start = WallClockMilliseconds();
  const LaunchCommand command = SetupCommand(job.setup_file_path, job.install_dir);
  SetupRunOutcome outcome;
  const auto cancelled = [&job] { return job.cancel && job.cancel->load(); };
  const std::wstring product = ProductExecutablePath(job.install_dir);
  int attempt = 0;
  for (; attempt < kSetupAttempts; ++attempt) {
    outcome.exit_code = RunProcessAndWait(command, job.setup_file.get(), &outcome.error, job.cancel.get());
    if (cancelled()) {
      // Shutting down: the setup is left to finish on its own, nothing waits
      // for it and nothing is reported.
      outcome.cancelled = true;
      return outcome;
    }
    // Setups say 0 also when they could not write the folder or did not take
    // it: only the product file on disk counts.
    if (outcome.exit_code == 0 && !nbase::PathExists(product)) outcome.error = kProductMissingError;
    if (outcome.installed()) break;
  }
  outcome.retry_time = attempt;
  // Measured again here, after the runs, so a file that vanished meanwhile
  // (typically removed by anti-virus software) is told apart from a setup
  // that ran and failed.
  if (!outcome.installed()) outcome.file_size_after = nbase::FileSize64(job.setup_file_path);

  const int64_t cost = (WallClockMilliseconds() - start) / 1000;
  ReportEvent("InstallTimeCost", {{"cost", std::to_string(cost)},
                                  {"ret", std::to_string(outcome.exit_code)},
                                  {"retryTime", std::to_string(outcome.retry_time)}});
  return outcome;
}
