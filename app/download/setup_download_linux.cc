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

// The setup file through our own descriptor.
class DescriptorFileOut : public SetupFileOut {
 public:
  explicit DescriptorFileOut(int fd) : fd_(fd) {}
  bool Truncate() override { return ::ftruncate(fd_, 0) == 0 && ::lseek(fd_, 0, SEEK_SET) == 0; }
  bool Append(const void* data, size_t size) override {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fd_, next, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      next += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
};

// One attempt's libcurl callbacks: the head of the last response, then its
// body into the sink.
struct Transfer {
  ResponseHead head;
  AttemptSink* sink;
};

size_t TakeHeaderLine(char* data, size_t size, size_t count, void* transfer) {
  static_cast<Transfer*>(transfer)->head.AddLine(std::string_view(data, size * count));
  return size * count;
}

size_t WriteToFile(char* data, size_t size, size_t count, void* opaque) {
  Transfer* transfer = static_cast<Transfer*>(opaque);
  AttemptSink* sink = transfer->sink;
  if (!sink->begun() && !sink->Begin(transfer->head)) return 0;
  return sink->Write(data, size * count) ? size * count : 0;
}

int ReportProgress(void* opaque, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  // Non-zero aborts the transfer (a stall or a shutdown).
  return static_cast<Transfer*>(opaque)->sink->Tick() ? 0 : 1;
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

// Opens the setup file an earlier attempt of ours wrote, to continue it: the
// same file (device and inode), still ours alone, still `kept` bytes long,
// in a folder that is still safe. -1 when anything differs.
int OpenKeptSetupFile(const std::string& path, const PartialDownload& partial) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return -1;
  struct stat info;
  int fd = -1;
  if (IsSafeDownloadFolderHandle(dir)) {
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    fd = ::openat(dir, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  }
  ::close(dir);
  if (fd < 0) return -1;
  const bool same = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
                    (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 && info.st_nlink == 1 &&
                    static_cast<uint64_t>(info.st_dev) == partial.file_id[0] &&
                    static_cast<uint64_t>(info.st_ino) == partial.file_id[1] && info.st_size == partial.kept;
  if (!same || ::lseek(fd, 0, SEEK_END) != partial.kept) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The descriptor this attempt writes through: the kept file when `partial`
// can be continued, else a new file (and `partial` starts over).
int OpenAttemptFile(const std::string& path, PartialDownload* partial) {
  if (partial && partial->Resumable()) {
    const int fd = OpenKeptSetupFile(path, *partial);
    if (fd >= 0) return fd;
  }
  if (partial) partial->Clear();
  const int fd = CreateSetupFile(path);
  struct stat info;
  if (fd >= 0 && partial && ::fstat(fd, &info) == 0) {
    partial->file_id[0] = static_cast<uint64_t>(info.st_dev);
    partial->file_id[1] = static_cast<uint64_t>(info.st_ino);
  }
  return fd;
}

}  // namespace

int32_t FetchUrlToFile(const std::wstring& url, const std::wstring& path,
                       const TransferProgressCallback& progress, int* window_requests,
                       PartialDownload* partial) {
  (void)window_requests;  // libcurl never asks for a window.
  const std::string address = nbase::WideToUTF8(url);
  const int fd = OpenAttemptFile(nbase::NativePath(path), partial);
  if (fd < 0) return kAccessDenied;
  CURL* curl = curl_easy_init();
  if (!curl) {
    ::close(fd);
    return kFail;
  }
  DescriptorFileOut file(fd);
  AttemptSink sink(partial, &file, &progress);
  Transfer transfer{ResponseHead(), &sink};
  curl_slist* headers = nullptr;
  const std::string resume = partial ? ResumeRequestHeaders(*partial) : std::string();
  for (size_t at = 0; at < resume.size();) {
    const size_t end = resume.find("\r\n", at);
    headers = curl_slist_append(headers, resume.substr(at, end - at).c_str());
    at = end + 2;
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
  if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, TakeHeaderLine);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteToFile);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ReportProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

  const CURLcode code = curl_easy_perform(curl);
  int32_t result = HresultForCurl(code);
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);
  // A refused answer or a failed write says best what went wrong.
  if (code == CURLE_WRITE_ERROR && sink.failure() != 0) result = sink.failure();
  // A response without a body (a 416, an empty file) still decides what the
  // file holds.
  if (code == CURLE_OK && !sink.begun() && !sink.Begin(transfer.head)) result = sink.failure();
  if (result == 0) result = HresultForHttpStatus(transfer.head.status);
  if (result == 0) result = sink.ShortBodyFailure();
  if (::close(fd) != 0 && result == 0) result = kWriteFault;
  return result;
}

void ForgetCachedCopy(const std::wstring& url) {
  (void)url;  // libcurl keeps no cache between transfers.
}

void TrustCertificatesForTesting(const std::wstring& pem_file) {
  TestTrustFile() = pem_file.empty() ? std::string() : nbase::NativePath(pem_file);
}
