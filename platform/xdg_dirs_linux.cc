#include "platform/xdg_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace report {

namespace {

// A real folder (not a link to one) owned by this user, closed to everyone else.
bool IsPrivateFolder(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? std::string(value) : std::string();
}

}  // namespace

std::string PrivateRuntimeDir() {
  std::string runtime = AbsoluteFromEnvironment("XDG_RUNTIME_DIR");
  if (!runtime.empty() && IsPrivateFolder(runtime)) return runtime;
  std::string temp = AbsoluteFromEnvironment("TMPDIR");
  if (temp.empty()) temp = "/tmp";
  const std::string own = temp + "/lumacast-" + std::to_string(geteuid());
  // An existing entry is not trusted for having the right name: only the
  // check below decides, and it does not follow links.
  mkdir(own.c_str(), 0700);
  return IsPrivateFolder(own) ? own : std::string();
}

std::string HomeDir() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  if (struct passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
    return pw->pw_dir;
  }
  return PrivateRuntimeDir();
}

std::string XdgBaseDir(const char* envName, const char* homeRelativeDefault) {
  const char* value = std::getenv(envName);
  if (value && value[0] == '/') return value;
  const std::string home = HomeDir();
  return home.empty() ? std::string() : home + "/" + homeRelativeDefault;
}

std::string XdgUserDir(const char* name, const char* fallbackName) {
  std::ifstream in(XdgBaseDir("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
  std::string wanted = std::string("XDG_") + name + "_DIR=";
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(wanted, 0) != 0) continue;
    std::string value = line.substr(wanted.size());
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) {
      const std::string home = HomeDir();
      return home.empty() ? std::string() : home + value.substr(5);
    }
    if (!value.empty() && value[0] == '/') return value;
  }
  const std::string home = HomeDir();
  return home.empty() ? std::string() : home + "/" + fallbackName;
}

}  // namespace report
