#include "app/download/held_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_util.h"

namespace {

// Only a plain file of our own that nobody else may change is worth checking
// and starting: anything else at the path was not made by our download.
bool IsOurOwnFile(const struct stat& info) {
  return S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::unique_ptr<HeldFile> HeldFile::Open(const std::wstring& path) {
  // Close-on-exec keeps the descriptor out of unrelated children; the setup is
  // started through /proc/self/fd, which resolves before the descriptor closes.
  // O_NOFOLLOW and O_NONBLOCK: a planted link is not followed, a planted pipe
  // does not block the open.
  int fd = ::open(nbase::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !IsOurOwnFile(info)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<HeldFile>(new HeldFile(path, fd));
}

HeldFile::~HeldFile() { ::close(static_cast<int>(handle_)); }

int64_t HeldFile::Size() const {
  struct stat info;
  if (::fstat(static_cast<int>(handle_), &info) != 0) return -1;
  return info.st_size;
}

size_t HeldFile::ReadAt(uint64_t offset, void* out, size_t size) const {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(static_cast<int>(handle_), static_cast<char*>(out) + done, size - done,
                        static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}
