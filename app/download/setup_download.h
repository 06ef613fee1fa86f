// Fetching and checking the setup package.
//
// `DownloadSetupPackage` runs on the Global Misc Thread: up to six attempts
// that alternate between the package address and the CDN mirror, each followed
// by `VerifySetupFile`. It reports "DownloadTimeCost" and returns the outcome;
// the caller posts it back to the UI thread. A verified file comes back open
// (`HeldFile`) so that it cannot be replaced before the setup has started.
//
// `DownloadStats` is the one record shared across threads without a post: the
// worker writes it, the UI thread's progress tick reads it. Every field is an
// atomic, so a read is never torn; a stale value only delays the bar.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/download/held_file.h"
#include "app/download/resume_point.h"

struct DownloadStats {
  // Tenths of a percent of the whole install (0..900); never reset.
  std::atomic<int32_t> downloadProgress{0};
  // The last non-zero total the download announced.
  std::atomic<uint32_t> expectedSize{0};
  // Size of the setup file at the last verification; 0 when it was missing.
  std::atomic<int32_t> fileSize{0};
  // Header words seen by the last full verification (see executable_header.h).
  std::atomic<uint16_t> mzMagic{0};
  std::atomic<uint32_t> peSignature{0};
};

// Smallest package the installer accepts.
inline constexpr int64_t kMinimumSetupSize = 10485760;

// Set from any thread to make a running download or setup run give up at its
// next check (at least once a second while a transfer runs): the transfer is
// aborted, no further attempt starts, nothing more is waited for.
using CancelFlag = std::atomic<bool>;

// Results of an attempt the installer ended itself.
inline constexpr int32_t kDownloadTimedOut = static_cast<int32_t>(0x800C000B);  // INET_E_CONNECTION_TIMEOUT
inline constexpr int32_t kDownloadAborted = static_cast<int32_t>(0x80004004);   // E_ABORT

// Feeds a progress report into `stats`: the download fills the first 90 % of
// the bar; a report without a total sets the share to 0.1 %.
void OnDownloadProgress(DownloadStats* stats, uint32_t so_far, uint32_t total);

// Why a fetched file was refused, when the fetch itself said nothing was wrong.
inline constexpr int32_t kSetupFileMissing = static_cast<int32_t>(0x80070002);     // ERROR_FILE_NOT_FOUND
inline constexpr int32_t kSetupFileUnreadable = static_cast<int32_t>(0x80070005);  // E_ACCESSDENIED
inline constexpr int32_t kSetupFileIncomplete = static_cast<int32_t>(0x800C0008);  // INET_E_DOWNLOAD_FAILURE

// Checks the file at `path`: at least 10 MiB, exactly the announced size, an
// executable header of this platform, and a valid publisher signature. Returns
// the file still open when every check passed, nullptr otherwise. When only the
// signature failed, `signature_failure` receives the reason. `failure_code`,
// when given, receives what failed: kSetupFileMissing, kSetupFileUnreadable,
// kNotAProgram (too small, or no program of this system), kSetupFileIncomplete
// (not the announced size) or the publisher check's trust code; 0 on success.
std::unique_ptr<HeldFile> VerifySetupFile(const std::wstring& path, DownloadStats* stats,
                                          std::wstring* signature_failure, int32_t* failure_code = nullptr);

// One download run's inputs; copied to the worker thread.
struct DownloadJob {
  std::wstring package_url;  // attempts 1, 3, 5
  std::wstring cdn_url;      // attempts 2, 4, 6
  std::wstring download_dir;
  std::wstring setup_file_path;
  std::shared_ptr<DownloadStats> stats;
  std::shared_ptr<const CancelFlag> cancel;  // may be null
  // What a cut attempt left for the next one, kept across runs so "Try
  // Again" continues too. Null: the run keeps its own record.
  std::shared_ptr<PartialDownload> partial;
  // Benchmarks only: every attempt starts from byte 0, as before resuming.
  bool resume = true;
};

struct DownloadOutcome {
  int result = 1;              // 0 success, 1 failure
  int retry_time = 0;          // failed attempts before success, 6 when all failed
  int32_t download_result = 0; // HRESULT of the last attempt
  std::wstring diagnostic;     // empty on success
  std::shared_ptr<HeldFile> setup_file;  // open on success
  bool cancelled = false;      // given up through the job's cancel flag; nothing reported
};

inline constexpr int kDownloadAttempts = 6;

// Runs the whole download (worker thread) and sends "DownloadTimeCost". An
// attempt that stalls (see stall_watch.h) fails with kDownloadTimedOut. An
// attempt cut off early leaves its bytes for the next one to continue (see
// resume_point.h); a file that failed its checks is deleted at once, and the
// setup file is gone when the run gives up, unless its bytes can be continued.
DownloadOutcome DownloadSetupPackage(const DownloadJob& job);

// The bar's share of what `partial` keeps (tenths of a percent, 0..900), for a
// new run that continues it; 0 when nothing can be continued.
int32_t KeptDownloadShare(const PartialDownload& partial);

// The diagnostic of a failed attempt.
std::wstring FormatDownloadDiagnostic(int32_t download_result, const DownloadStats& stats,
                                      int window_requests, const std::wstring& signature_failure);

// The "path" report value: `download_dir` with quotes and backslashes turned
// into underscores and colons removed.
std::wstring ReportPathValue(const std::wstring& download_dir);

// Platform half: one attempt of fetching `url` into `path`, following
// redirects, strict about certificates, never from a secure source to a plain
// one. `progress` is called at least once a second while the transfer runs
// (Windows: from the attempt's own message pump between the moniker's
// reports) and may end it. Returns 0 (S_OK) or an HRESULT-style failure.
// `window_requests` counts how often the download asked for a window (always
// 0 on Linux).
//
// With `partial` resumable and its file still the one we wrote, the request
// asks for the rest only (see resume_point.h); otherwise the file is made
// afresh. `partial` is kept up to date with what the file holds and cleared
// when it cannot be continued. Null: always afresh, nothing recorded.
int32_t FetchUrlToFile(const std::wstring& url, const std::wstring& path,
                       const TransferProgressCallback& progress, int* window_requests,
                       PartialDownload* partial = nullptr);

// Drops any cached copy of `url` so the next fetch goes to the network; also
// called after every attempt so no copy of the package stays in a cache.
void ForgetCachedCopy(const std::wstring& url);

// Tests only: verify secure servers against the certificates in `pem_file`
// instead of the system's trust store (Linux; Windows always uses the
// system's). Empty restores the system's. The program never calls it.
void TrustCertificatesForTesting(const std::wstring& pem_file);
