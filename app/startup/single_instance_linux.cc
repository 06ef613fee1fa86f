#include "app/startup/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "base/utf.h"

namespace {

std::string LockPath(const std::wstring& name) {
  const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
  std::string dir = runtime_dir && *runtime_dir ? runtime_dir : "/tmp";
  return dir + "/" + nbase::WideToUTF8(name) + ".lock";
}

}  // namespace

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::wstring& name) {
  const std::string path = LockPath(name);
  // O_NOFOLLOW: in a shared /tmp the name could be a planted link to a file
  // the lock must not touch.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);  // another user's file
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
