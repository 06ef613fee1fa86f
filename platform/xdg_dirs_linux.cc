#include "platform/xdg_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace report {

std::string HomeDir() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  if (struct passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
    return pw->pw_dir;
  }
  return "/tmp";
}

std::string XdgBaseDir(const char* envName, const char* homeRelativeDefault) {
  const char* value = std::getenv(envName);
  if (value && value[0] == '/') return value;
  return HomeDir() + "/" + homeRelativeDefault;
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
    if (value.rfind("$HOME", 0) == 0) return HomeDir() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return HomeDir() + "/" + fallbackName;
}

}  // namespace report
