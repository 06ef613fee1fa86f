// The registry store's file system calls: reading the whole file, the write
// lock, moving a damaged file aside and replacing the file atomically.
#include "platform/registry_store.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>

#include "platform/xdg_dirs.h"

namespace report {
namespace {

bool ReadWholeFile(int fd, std::string* text) {
  char buf[16384];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    text->append(buf, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Holds an exclusive flock() on "<store>.lock" for its lifetime.
class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);  // closing drops the lock
  }
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// "<base>/lumacast/<name>", or empty when the base folder is unknown.
std::string StorePath(const std::string& base, const char* name) {
  return base.empty() ? std::string() : base + "/lumacast/" + name;
}

}  // namespace

RegistryStore RegistryStore::CurrentUser() {
  return RegistryStore(StorePath(XdgBaseDir("XDG_CONFIG_HOME", ".config"), "hkcu.reg"));
}

RegistryStore RegistryStore::Machine() {
  return RegistryStore(StorePath(XdgBaseDir("XDG_DATA_HOME", ".local/share"), "hklm.reg"));
}

RegistryStore::ReadResult RegistryStore::ReadFile(std::string* text) const {
  if (path_.empty()) return ReadResult::kFailed;
  int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  bool ok = ReadWholeFile(fd, text);
  close(fd);
  return ok ? ReadResult::kOk : ReadResult::kFailed;
}

bool RegistryStore::SetAside() const {
  char stamp[32];
  time_t now = time(nullptr);
  struct tm parts;
  localtime_r(&now, &parts);
  strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &parts);
  std::string aside = path_ + ".corrupt-" + stamp + "-" + std::to_string(getpid());
  return rename(path_.c_str(), aside.c_str()) == 0;
}

bool RegistryStore::Replace(const std::string& text) const {
  std::string temp = path_ + ".tmp-" + std::to_string(getpid());
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), path_.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

bool RegistryStore::Modify(const Change& change) {
  if (path_.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
  FileLock lock(path_ + ".lock");
  if (!lock.held()) return false;
  return ModifyLocked(change);
}

}  // namespace report
