#include "demo_platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::vector<std::string> g_arguments;
}  // namespace

int main(int argc, char** argv) {
  g_arguments.assign(argv, argv + argc);
  return DemoMain();
}

namespace demo {

std::vector<std::string> Arguments() { return g_arguments; }

std::string CommandLine() {
  std::string line;
  for (size_t i = 0; i < g_arguments.size(); ++i) {
    if (i > 0)
      line += ' ';
    line += g_arguments[i];
  }
  return line;
}

std::string Env(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

std::string OwnPath() {
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0)
    return g_arguments.empty() ? "" : g_arguments[0];
  return std::string(buffer, static_cast<size_t>(length));
}

FILE* OpenFile(const std::string& path, const char* mode) { return fopen(path.c_str(), mode); }

bool StoreFile(const std::string& path, const void* data, size_t size, bool executable) {
  const std::string temporary = path + ".part";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, executable ? 0755 : 0644);
  if (fd < 0)
    return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t put = write(fd, bytes, size);
    if (put < 0 && errno == EINTR)
      continue;
    if (put <= 0) {
      close(fd);
      unlink(temporary.c_str());
      return false;
    }
    bytes += put;
    size -= static_cast<size_t>(put);
  }
  if (close(fd) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool CreateFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/')
      mkdir(path.substr(0, i).c_str(), 0755);  // existing parents are fine
  }
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void SleepMs(int ms) {
  if (ms <= 0)
    return;
  timespec delay{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
}

}  // namespace demo
