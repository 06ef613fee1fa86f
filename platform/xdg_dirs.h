// Linux folder lookups after the XDG base-directory and user-directory
// conventions, shared by the registry stores and the installer's folder
// choices. Every call reads the environment afresh (tests relocate folders
// by setting the variables); results are native (UTF-8) paths without a
// trailing slash. Thread-safe as long as nobody changes the environment
// concurrently.
#pragma once

#include <string>

namespace report {

// A folder that belongs to this user alone, for session state such as locks:
// $XDG_RUNTIME_DIR when it names a folder of ours that nobody else may enter,
// else "lumacast-<uid>" in the temporary folder ($TMPDIR, else /tmp), created
// 0700 and then checked the same way. Empty when neither qualifies (somebody
// else made that folder first, or it is open to others): a shared folder is
// never used instead, since anyone could plant or block files there.
std::string PrivateRuntimeDir();

// $HOME, else the password database's home folder, else PrivateRuntimeDir()
// (which may be empty).
std::string HomeDir();

// The absolute path in `envName` (a relative or empty value is ignored, as the
// convention asks), else $HOME/`homeRelativeDefault`; empty when no home
// folder is known either.
std::string XdgBaseDir(const char* envName, const char* homeRelativeDefault);

// A user folder as `xdg-user-dir NAME` would print it: the XDG_<NAME>_DIR line
// of $XDG_CONFIG_HOME/user-dirs.dirs ("$HOME/..." or an absolute path), else
// $HOME/`fallbackName`; empty when no home folder is known.
std::string XdgUserDir(const char* name, const char* fallbackName);

}  // namespace report
