#include "app/startup/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "base/utf.h"
#include "platform/xdg_dirs.h"

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::wstring& name) {
  // Only in a folder of this user's own: in a shared one anybody could hold
  // the lock for everyone, or plant a link for it to write through.
  const std::string dir = report::PrivateRuntimeDir();
  if (dir.empty()) return nullptr;
  const std::string path = dir + "/" + nbase::WideToUTF8(name) + ".lock";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return nullptr;
  }
  // Record who holds it; purely informative, so failures are ignored.
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd, 0) == 0) {
    [[maybe_unused]] ssize_t written = pwrite(fd, pid.data(), pid.size(), 0);
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::~InstanceLock() {
  close(static_cast<int>(handle_));  // closing the only descriptor drops the flock
}
