// Linux folder lookups after the XDG base-directory and user-directory
// conventions, shared by the registry stores and the installer's folder
// choices. Every call reads the environment afresh (tests relocate folders
// by setting the variables); results are native (UTF-8) paths without a
// trailing slash. Thread-safe as long as nobody changes the environment
// concurrently.
#pragma once

#include <string>

namespace report {

// $HOME, else the password database's home folder, else "/tmp".
std::string HomeDir();

// The absolute path in `envName` (a relative or empty value is ignored, as the
// convention asks), else $HOME/`homeRelativeDefault`.
std::string XdgBaseDir(const char* envName, const char* homeRelativeDefault);

// A user folder as `xdg-user-dir NAME` would print it: the XDG_<NAME>_DIR line
// of $XDG_CONFIG_HOME/user-dirs.dirs ("$HOME/..." or an absolute path), else
// $HOME/`fallbackName`.
std::string XdgUserDir(const char* name, const char* fallbackName);

}  // namespace report
