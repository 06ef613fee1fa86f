#include "app/setup/process_control.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/download/held_file.h"
#include "base/utf.h"

extern char** environ;

namespace {

// The executable's file name of process `pid`, empty when it cannot be read
// (another user's process, a zombie, a kernel thread).
std::string ExecutableName(const char* pid) {
  std::string link = std::string("/proc/") + pid + "/exe";
  char target[4096];
  ssize_t n = ::readlink(link.c_str(), target, sizeof(target) - 1);
  if (n <= 0) return std::string();
  std::string path(target, static_cast<size_t>(n));
  // A program whose file was replaced while it runs is still that program.
  static const std::string kDeleted = " (deleted)";
  if (path.size() > kDeleted.size() &&
      path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0) {
    path.resize(path.size() - kDeleted.size());
  }
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsPid(const char* name) {
  if (!*name) return false;
  for (; *name; ++name) {
    if (*name < '0' || *name > '9') return false;
  }
  return true;
}

// Narrow copies of the program and its arguments, plus the argv array over them.
struct ArgumentVector {
  explicit ArgumentVector(const LaunchCommand& command) {
    strings.push_back(nbase::WideToUTF8(command.program));
    for (const std::wstring& arg : command.args) strings.push_back(nbase::WideToUTF8(arg));
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
  }
  std::vector<std::string> strings;
  std::vector<char*> pointers;
};

// `name` itself when it holds a slash, else the first executable of that
// name along PATH; empty when there is none.
std::string ResolveProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* search = std::getenv("PATH");
  std::string folders = search ? search : "/usr/bin:/bin";
  size_t begin = 0;
  while (begin <= folders.size()) {
    size_t end = folders.find(':', begin);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(begin, end - begin) + "/" + name;
    if (end > begin && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    begin = end + 1;
  }
  return std::string();
}

}  // namespace

namespace {

// The ids of the running processes whose executable file name is `wanted`.
std::vector<pid_t> ProcessesNamed(const std::string& wanted) {
  std::vector<pid_t> found;
  DIR* proc = ::opendir("/proc");
  if (!proc) return found;
  while (dirent* entry = ::readdir(proc)) {
    if (IsPid(entry->d_name) && ExecutableName(entry->d_name) == wanted) {
      found.push_back(static_cast<pid_t>(std::atol(entry->d_name)));
    }
  }
  ::closedir(proc);
  return found;
}

// True while `pid` still runs `wanted` (a zombie has no executable any more).
bool StillRuns(pid_t pid, const std::string& wanted) {
  return ExecutableName(std::to_string(pid).c_str()) == wanted;
}

}  // namespace

int CountProductProcesses(const std::wstring& name) {
  return static_cast<int>(ProcessesNamed(nbase::WideToUTF8(name)).size());
}

int EndProductProcesses(const std::wstring& name) {
  const std::string wanted = nbase::WideToUTF8(name);
  int left = 0;
  std::vector<pid_t> signalled;
  for (pid_t pid : ProcessesNamed(wanted)) {
    if (::kill(pid, SIGKILL) == 0) {
      signalled.push_back(pid);
    } else if (errno != ESRCH) {
      ++left;  // not ours to end
    }
  }
  // SIGKILL is delivered asynchronously: wait, bounded, until each is gone.
  constexpr int kPollMs = 10;
  for (int waited = 0; !signalled.empty() && waited < kProcessEndWaitMs; waited += kPollMs) {
    std::erase_if(signalled, [&wanted](pid_t pid) { return !StillRuns(pid, wanted); });
    if (!signalled.empty()) ::usleep(kPollMs * 1000);
  }
  std::erase_if(signalled, [&wanted](pid_t pid) { return !StillRuns(pid, wanted); });
  return left + static_cast<int>(signalled.size());
}

int32_t RunProcessAndWait(const LaunchCommand& command, const HeldFile* image, uint32_t* error,
                          const std::atomic<bool>* cancel) {
  ArgumentVector argv(command);
  // From a held file the kernel resolves /proc/self/fd/<n> before the
  // close-on-exec descriptor goes away, so exactly the verified bytes run;
  // argv[0] still names the real path for the program's own use.
  std::string exec_path = image ? "/proc/self/fd/" + std::to_string(image->native_handle())
                                : argv.strings[0];
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, exec_path.c_str(), nullptr, nullptr, argv.pointers.data(), environ);
  if (rc != 0) {
    *error = static_cast<uint32_t>(rc);
    return -2;
  }
  // Waited for in short slices, so that a cancel is seen in time.
  int status = 0;
  for (;;) {
    const pid_t waited = ::waitpid(pid, &status, WNOHANG);
    if (waited == pid) break;
    if (waited < 0 && errno != EINTR) {
      *error = static_cast<uint32_t>(errno);
      return -1;
    }
    if (cancel && cancel->load()) {
      *error = kWaitCancelled;
      return -1;
    }
    if (waited == 0) ::usleep(kCancelCheckMs * 1000);
  }
  *error = 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

bool StartDetachedProcess(const LaunchCommand& command) {
  ArgumentVector argv(command);
  const std::string program = ResolveProgram(argv.strings[0]);
  if (program.empty()) return false;
  // The program's child writes the exec error into this pipe; a successful
  // exec closes the write end unwritten (close-on-exec), so an empty read
  // means the program runs.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  // Fork twice so the started program is nobody's zombie: the middle child
  // exits at once and the program is adopted by init. Only async-signal-safe
  // calls happen between fork and exec.
  pid_t middle = ::fork();
  if (middle < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (middle == 0) {
    ::close(report[0]);
    pid_t child = ::fork();
    if (child == 0) {
      ::execve(program.c_str(), argv.pointers.data(), environ);
      int exec_error = errno;
      ssize_t ignored = ::write(report[1], &exec_error, sizeof(exec_error));
      (void)ignored;
      ::_exit(127);
    }
    ::_exit(child < 0 ? 1 : 0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  int exec_error = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &exec_error, sizeof(exec_error));
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}
