// The flow's download of the setup package, timed: DownloadSetupPackage
// (attempts, mirrors, resuming, verification) against the build's two
// download hosts over plain HTTP, and once more when it fails, as the user's
// "Try Again" would (the flow allows one). bench/download_bench.py prepares
// the server (the package, cuts) and reads what it sent.
//
//   download_bench [--no-resume | --fetch-only] <download folder>
//
// --fetch-only times one transfer from the CDN host, without verification.
//
// Prints one line: "result=0 runs=R attempts=A seconds=S fileSize=B hr=H".
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/download/setup_download.h"
#include "base/file_util.h"
#include "base/utf.h"
#include "config/build_config.h"

int main(int argc, char** argv) {
  bool resume = true;
  bool fetch_only = false;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-resume") == 0) {
      resume = false;
    } else if (std::strcmp(argv[i], "--fetch-only") == 0) {
      fetch_only = true;
    } else {
      folder = argv[i];
    }
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: download_bench [--no-resume | --fetch-only] <download folder>\n");
    return 2;
  }
  const std::wstring dir = nbase::UTF8ToWide(folder);
  DownloadJob job;
  job.package_url = std::wstring(L"http://") + LUMACAST_REPORT_HOST_W +
                    L"/caller?a=downloadPackage&c=site&package=com.brightvale.lumacast&channel=bench";
  job.cdn_url = std::wstring(L"http://") + LUMACAST_CDN_HOST_W + L"/app3/LumaSuite/lumacast/lumacastsetup.exe";
  job.download_dir = dir;
  job.setup_file_path = dir + L"LumaCast.exe";
  job.stats = std::make_shared<DownloadStats>();
  job.resume = resume;

  job.partial = std::make_shared<PartialDownload>();
  if (fetch_only) {
    // One transfer from the CDN host alone, without the checks.
    int windows = 0;
    const auto begin = std::chrono::steady_clock::now();
    const int32_t result = FetchUrlToFile(job.cdn_url, job.setup_file_path, nullptr, &windows);
    const double taken = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("result=%d seconds=%.3f fileSize=%lld hr=%08x\n", result == 0 ? 0 : 1, taken,
                static_cast<long long>(nbase::FileSize64(job.setup_file_path)), static_cast<unsigned>(result));
    nbase::RemoveFile(job.setup_file_path);
    return result == 0 ? 0 : 1;
  }

  const auto start = std::chrono::steady_clock::now();
  DownloadOutcome outcome;
  int runs = 0;
  int attempts = 0;
  while (runs < 2) {
    outcome = DownloadSetupPackage(job);
    ++runs;
    attempts += outcome.retry_time + (outcome.result == 0 ? 1 : 0);
    if (outcome.result == 0) break;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long long size = outcome.result == 0 ? static_cast<long long>(outcome.setup_file->Size()) : 0;
  outcome.setup_file.reset();
  nbase::RemoveFile(job.setup_file_path);
  std::printf("result=%d runs=%d attempts=%d seconds=%.3f fileSize=%lld hr=%08x\n", outcome.result, runs, attempts,
              seconds, size, static_cast<unsigned>(outcome.download_result));
  return outcome.result;
}
