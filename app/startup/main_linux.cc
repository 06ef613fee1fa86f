// Linux entry point of lumacast-installer: the same start-up as wWinMain, fed
// with the argument vector.
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/startup/startup.h"
#include "app/startup/system_prompt.h"
#include "app/startup/thread_ids.h"
#include "base/message_loop.h"
#include "base/thread_registry.h"
#include "base/utf.h"

namespace {

std::wstring ArgumentToWide(const char* argument) {
  std::wstring wide = nbase::UTF8ToWide(argument);
  if (wide.empty()) {
    // Not UTF-8: keep the bytes one by one rather than drop the argument.
    for (const char* p = argument; *p; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  }
  return wide;
}

// argv[0] as the program's full path, as Windows' splitter gives for an empty
// command line; argv[0] itself when /proc is not there.
std::wstring ProgramPath(const char* argv0) {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return ArgumentToWide(argv0 ? argv0 : "");
  path[length] = '\0';
  return ArgumentToWide(path);
}

// SIGTERM and SIGINT end the program the orderly way: the UI loop is asked to
// quit, as after a cancelled prompt; with the main window up, the window then
// hides, cancels the flow and lets the queued reports go (installer_ui.h).
// They are blocked in every thread and taken by one watcher thread, so no
// handler runs in the middle of a loop's work.
// Before the UI loop is registered (a prompt is showing) and on a second
// signal, the process ends at once, still with exit code 0.
void WatchTerminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals] {
    bool quit_asked = false;
    for (;;) {
      int received = 0;
      if (sigwait(&signals, &received) != 0) continue;
      if (quit_asked ||
          !nbase::ThreadRegistry::Get().Post(kUiThreadId, [] { nbase::MessageLoop::QuitCurrentWhenIdle(); }))
        std::_Exit(0);
      quit_asked = true;
    }
  }).detach();
}

}  // namespace

int main(int argc, char** argv) {
  WatchTerminationSignals();
  std::vector<std::wstring> arguments;
  arguments.push_back(ProgramPath(argc > 0 ? argv[0] : nullptr));
  for (int i = 1; i < argc; ++i) arguments.push_back(ArgumentToWide(argv[i]));
  std::unique_ptr<SystemPrompt> prompt = CreateSystemPrompt();
  return RunInstaller(arguments, prompt.get());
}
