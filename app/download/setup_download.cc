#include "app/download/setup_download.h"

#include <chrono>

#include "app/download/executable_header.h"
#include "app/download/stall_watch.h"
#include "app/trust/setup_signature_check.h"
#include "base/file_util.h"
#include "base/string_util.h"
#include "base/time.h"
#include "platform/app_info.h"
#include "report/event_report.h"

namespace {

int64_t WallClockMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int64_t MonotonicMilliseconds() { return nbase::CurrentTime() / 1000; }

uint32_t ClampToUint32(uint64_t value) { return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value); }

int32_t ClampToInt32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

void OnDownloadProgress(DownloadStats* stats, uint32_t so_far, uint32_t total) {
  if (total == 0) {
    stats->downloadProgress = 1;
    return;
  }
  stats->expectedSize = total;
  stats->downloadProgress = static_cast<int32_t>(static_cast<double>(so_far) * 900.0 / total);
}

std::unique_ptr<HeldFile> VerifySetupFile(const std::wstring& path, DownloadStats* stats,
                                          std::wstring* signature_failure, int32_t* failure_code) {
  int32_t ignored_code = 0;
  int32_t& code = failure_code ? *failure_code : ignored_code;
  code = 0;
  if (!nbase::PathExists(path)) {
    stats->fileSize = 0;
    code = kSetupFileMissing;
    return nullptr;
  }
  // Every check from here on reads through this one open file, and the caller
  // keeps it open until the setup has started.
  std::unique_ptr<HeldFile> file = HeldFile::Open(path);
  if (!file) {
    stats->fileSize = 0;
    code = kSetupFileUnreadable;
    return nullptr;
  }
  const int64_t size = file->Size();
  stats->fileSize = ClampToInt32(size);
  if (size < kMinimumSetupSize) {
    code = kNotAProgram;  // an error page, or anything else but the package
    return nullptr;
  }
  if (size != static_cast<int64_t>(stats->expectedSize.load())) {
    code = kSetupFileIncomplete;
    return nullptr;
  }
  const HeldFile* reader = file.get();
  ExecutableHeader header = CheckNativeExecutableHeader(
      size, [reader](uint64_t offset, void* out, size_t count) { return reader->ReadAt(offset, out, count); });
  stats->mzMagic = header.magic;
  if (header.signature_read) stats->peSignature = header.signature;
  if (!header.valid) {
    code = kNotAProgram;
    return nullptr;
  }

  std::wstring detail;
  code = CheckSetupSignature(path, file->native_handle(), &detail);
  if (code != 0) {
    *signature_failure = detail.empty() ? std::wstring(L"not signed by the publisher") : detail;
    return nullptr;
  }
  return file;
}

std::wstring FormatDownloadDiagnostic(int32_t download_result, const DownloadStats& stats,
                                      int window_requests, const std::wstring& signature_failure) {
  std::wstring text = nbase::StringPrintf(
      L" hr = %08x size %d - %d -%x -%x poptime = %d", static_cast<unsigned>(download_result),
      stats.fileSize.load(), static_cast<int>(stats.expectedSize.load()),
      static_cast<unsigned>(stats.mzMagic.load()), static_cast<unsigned>(stats.peSignature.load()),
      window_requests);
  if (!signature_failure.empty()) text += L" signature failed: " + signature_failure;
  return text;
}

std::wstring ReportPathValue(const std::wstring& download_dir) {
  std::wstring value;
  value.reserve(download_dir.size());
  for (wchar_t c : download_dir) {
    if (c == L':') continue;
    value += (c == L'"' || c == L'\\') ? L'_' : c;
  }
  return value;
}

int32_t KeptDownloadShare(const PartialDownload& partial) {
  if (!partial.Resumable()) return 0;
  return static_cast<int32_t>(static_cast<double>(partial.kept) * 900.0 / static_cast<double>(partial.total));
}

DownloadOutcome DownloadSetupPackage(const DownloadJob& job) {
  const int64_t start = WallClockMilliseconds();
  DownloadStats* stats = job.stats.get();
  PartialDownload own_record;
  PartialDownload* partial = job.partial ? job.partial.get() : &own_record;
  if (!job.resume) partial->Clear();
  // A new run starts the share where the kept bytes put it (0 when there are
  // none); the bar itself never goes back.
  stats->downloadProgress = KeptDownloadShare(*partial);
  const auto cancelled = [&job] { return job.cancel && job.cancel->load(); };
  int window_requests = 0;
  DownloadOutcome outcome;
  int attempt = 0;
  for (; attempt < kDownloadAttempts && !cancelled(); ++attempt) {
    const std::wstring& source = attempt % 2 == 0 ? job.package_url : job.cdn_url;
    outcome.diagnostic.clear();
    if (!job.resume || !partial->Resumable()) {
      partial->Clear();
      nbase::RemoveFile(job.setup_file_path);
    }
    ForgetCachedCopy(source);
    // The stall rule judges this attempt's own bytes; the bar shows the file's.
    StallWatch stall(MonotonicMilliseconds());
    bool stalled = false;
    const TransferProgressCallback progress = [&](const TransferProgress& counts) {
      OnDownloadProgress(stats, ClampToUint32(counts.file_bytes), ClampToUint32(counts.file_total));
      if (stall.Stalled(counts.attempt_bytes, MonotonicMilliseconds())) stalled = true;
      return !stalled && !cancelled();
    };
    if (partial->Complete()) {
      // An earlier attempt got every byte but failed late (a stall after the
      // last byte, a time-out): nothing left to ask the server for.
      OnDownloadProgress(stats, ClampToUint32(partial->kept), ClampToUint32(partial->total));
      outcome.download_result = 0;
    } else {
      outcome.download_result =
          FetchUrlToFile(source, job.setup_file_path, progress, &window_requests, partial);
    }
    ForgetCachedCopy(source);
    if (stalled) outcome.download_result = kDownloadTimedOut;
    if (cancelled()) {
      outcome.download_result = kDownloadAborted;
      break;
    }
    std::wstring signature_failure;
    int32_t refused = 0;
    std::unique_ptr<HeldFile> file = VerifySetupFile(job.setup_file_path, stats, &signature_failure, &refused);
    const bool fetched_whole = outcome.download_result == 0;
    // A fetch that went through but brought the wrong file fails with the
    // check's own code, so the page and the report say what was wrong.
    if (fetched_whole) outcome.download_result = refused;
    if (outcome.download_result == 0 && file) {
      outcome.result = 0;
      outcome.setup_file = std::move(file);
      partial->Clear();  // the verified setup now, not a part of one
      break;
    }
    file.reset();
    // A whole file that failed its checks is never continued, and a part
    // that cannot be continued is not kept: an error page or a truncated body
    // could fill a nearly full disk, and nothing must ever start it.
    if (fetched_whole || !job.resume || !partial->Resumable()) {
      partial->Clear();
      nbase::RemoveFile(job.setup_file_path);
    }
    outcome.result = 1;
    outcome.diagnostic =
        FormatDownloadDiagnostic(outcome.download_result, *stats, window_requests, signature_failure);
  }
  if (cancelled()) {
    // The installer is shutting down: no result, no report to hold it up.
    outcome.result = 1;
    outcome.cancelled = true;
    outcome.setup_file.reset();
    partial->Clear();
    nbase::RemoveFile(job.setup_file_path);
    return outcome;
  }
  outcome.retry_time = attempt;

  const int64_t cost = (WallClockMilliseconds() - start) / 1000;
  ReportFields fields = {
      {"cost", std::to_string(cost)},
      {"ret", std::to_string(outcome.result)},
      {"retryTime", std::to_string(outcome.retry_time)},
      {"path", WideToSystemCodePage(ReportPathValue(job.download_dir))},
  };
  if (outcome.result == 0) {
    fields.emplace("fileSize", std::to_string(nbase::FileSize64(job.setup_file_path)));
  }
  ReportEvent("DownloadTimeCost", fields);
  return outcome;
}
