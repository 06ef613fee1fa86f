#include "app/window/folder_picker.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/startup/thread_ids.h"
#include "base/thread_registry.h"
#include "base/utf.h"
#include "ui/core/window_impl_base.h"

extern char** environ;

namespace {

// The full path of `program` on PATH, or empty.
std::string FindOnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t begin = 0;
  while (begin <= dirs.size()) {
    size_t end = dirs.find(':', begin);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(begin, end - begin) + "/" + program;
    struct stat st {};
    if (end > begin && stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    begin = end + 1;
  }
  return std::string();
}

// The desktop chooser's command, or none.
std::vector<std::string> ChooserCommand(const std::string& title, const std::string& start) {
  std::string zenity = FindOnPath("zenity");
  if (!zenity.empty()) return {zenity, "--file-selection", "--directory", "--title=" + title, "--filename=" + start + "/"};
  std::string kdialog = FindOnPath("kdialog");
  if (!kdialog.empty()) return {kdialog, "--title", title, "--getexistingdirectory", start};
  return {};
}

// Runs the chooser and returns its answer; false for Cancel or a failure.
bool RunChooser(const std::vector<std::string>& command, std::string* folder) {
  int out[2];
  if (pipe(out) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  std::vector<char*> argv;
  for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string answer;
  if (spawned == 0) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof(buffer))) > 0 && answer.size() < 65536) answer.append(buffer, n);
  }
  close(out[0]);
  if (spawned != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
  if (answer.size() > 1 && answer.back() == '/') answer.pop_back();
  if (answer.empty()) return false;
  *folder = answer;
  return true;
}

}  // namespace

void PickFolder(ui::WindowImplBase* owner, const std::wstring& start_folder, FolderChosen done) {
  const std::vector<std::string> command =
      ChooserCommand(nbase::WideToUTF8(kFolderPickerTitle), nbase::WideToUTF8(start_folder));
  if (command.empty()) {
    ShowFolderBox(owner, start_folder, std::move(done));
    return;
  }
  // The chooser is a process of its own: wait for it on the worker while the
  // window ignores input, as under a modal dialog.
  std::function<void(bool, const std::wstring&)> finish = [done](bool ok, const std::wstring& folder) {
    if (ok && done) done(folder);
  };
  if (owner) {
    owner->EnableInput(false);
    finish = owner->MakeGuarded([owner, done](bool ok, const std::wstring& folder) {
      owner->EnableInput(true);
      if (ok && done) done(folder);
    });
  }
  const bool posted = nbase::ThreadRegistry::Get().Post(kMiscThreadId, [command, finish] {
    std::string folder;
    const bool ok = RunChooser(command, &folder);
    const std::wstring wide = nbase::UTF8ToWide(folder);
    nbase::ThreadRegistry::Get().Post(kUiThreadId, [finish, ok, wide] { finish(ok, wide); });
  });
  if (!posted) finish(false, std::wstring());
}
