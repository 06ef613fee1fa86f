// libcurl stands in for the URL moniker download. Failures are mapped to the
// HRESULTs the moniker would give, so the diagnostics and the failure page keep
// their form on both platforms (the table is in the README).
#include "app/download/setup_download.h"

#include <curl/curl.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "app/download/download_folder_safety.h"
#include "base/file_util.h"
#include "base/utf.h"

namespace {

constexpr int32_t kInetResourceNotFound = static_cast<int32_t>(0x800C0005);
constexpr int32_t kInetCannotConnect = static_cast<int32_t>(0x800C0004);
constexpr int32_t kInetDownloadFailure = static_cast<int32_t>(0x800C0008);
constexpr int32_t kInetConnectionTimeout = static_cast<int32_t>(0x800C000B);
constexpr int32_t kInetSecurityProblem = static_cast<int32_t>(0x800C000E);
constexpr int32_t kInetRedirectFailed = static_cast<int32_t>(0x800C0014);
constexpr int32_t kInetInvalidCertificate = static_cast<int32_t>(0x800C0019);
constexpr int32_t kAbort = static_cast<int32_t>(0x80004004);
constexpr int32_t kFail = static_cast<int32_t>(0x80004005);
constexpr int32_t kAccessDenied = static_cast<int32_t>(0x80070005);
constexpr int32_t kWriteFault = static_cast<int32_t>(0x8007001D);

// A transfer that moves less than this many bytes per second for
// kStallSeconds is given up, as the moniker gives up on a dead connection.
constexpr long kStallBytesPerSecond = 1;
constexpr long kStallSeconds = 30;
constexpr long kConnectSeconds = 30;

int32_t HresultForCurl(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return 0;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kInetResourceNotFound;
    case CURLE_COULDNT_CONNECT:
      return kInetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return kInetConnectionTimeout;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_ISSUER_ERROR:
      return kInetInvalidCertificate;
    case CURLE_SSL_CONNECT_ERROR:
      return kInetSecurityProblem;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_TOO_MANY_REDIRECTS:
      return kInetRedirectFailed;
    case CURLE_WRITE_ERROR:
      return kWriteFault;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
      return kInetDownloadFailure;
    case CURLE_ABORTED_BY_CALLBACK:
      return kAbort;
    default:
      return kFail;
  }
}

size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<FILE*>(file));
}

int ReportProgress(void* callback, curl_off_t total, curl_off_t so_far, curl_off_t, curl_off_t) {
  const auto& progress = *static_cast<const DownloadProgressCallback*>(callback);
  // Non-zero aborts the transfer (a stall or a shutdown).
  return progress && !progress(static_cast<uint32_t>(so_far), static_cast<uint32_t>(total)) ? 1 : 0;
}

std::string& TestTrustFile() {
  static std::string file;
  return file;
}

bool IsSecure(const std::string& url) { return url.compare(0, 8, "https://") == 0; }

// Creates the setup file afresh: whatever is at the path (an old download, or
// a file or link somebody planted) is removed first, and the new file is made
// with O_EXCL | O_NOFOLLOW, so nothing already there is ever written through.
// The folder is judged through its own descriptor, so swapping it for another
// after the check changes nothing. -1 with errno set on failure.
int CreateSetupFile(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) {
    errno = EISDIR;
    return -1;
  }
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return -1;
  if (!IsSafeDownloadFolderHandle(dir)) {
    ::close(dir);
    errno = EACCES;
    return -1;
  }
  ::unlinkat(dir, name.c_str(), 0);  // a failure shows up as EEXIST below
  // The package is a program: owner-executable from the start, like a file
  // the moniker download leaves for CreateProcess on Windows.
  const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
  const int saved = errno;
  ::close(dir);
  errno = saved;
  return fd;
}

}  // namespace

int32_t FetchUrlToFile(const std::wstring& url, const std::wstring& path,
                       const DownloadProgressCallback& progress, int* window_requests) {
  (void)window_requests;  // libcurl never asks for a window.
  const std::string address = nbase::WideToUTF8(url);
  const int fd = CreateSetupFile(nbase::NativePath(path));
  FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
  if (!file) {
    if (fd >= 0) ::close(fd);
    return kAccessDenied;
  }
  CURL* curl = curl_easy_init();
  if (!curl) {
    std::fclose(file);
    return kFail;
  }
  curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  // A secure source may only be redirected to another secure address.
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, IsSecure(address) ? "https" : "http,https");
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!TestTrustFile().empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, TestTrustFile().c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ReportProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<DownloadProgressCallback*>(&progress));

  int32_t result = HresultForCurl(curl_easy_perform(curl));
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  if (std::fclose(file) != 0 && result == 0) result = kWriteFault;
  if (result == 0 && status == 404) result = kInetResourceNotFound;
  if (result == 0 && status >= 400) result = kInetDownloadFailure;
  return result;
}

void ForgetCachedCopy(const std::wstring& url) {
  (void)url;  // libcurl keeps no cache between transfers.
}

void TrustCertificatesForTesting(const std::wstring& pem_file) {
  TestTrustFile() = pem_file.empty() ? std::string() : nbase::NativePath(pem_file);
}
