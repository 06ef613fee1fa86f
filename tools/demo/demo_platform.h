// Small system layer shared by the demo programs (demo product, demo setup
// package, decoy). They stand in for outside programs in tests, so they only
// need a few file and process facts. All strings are UTF-8; the Windows side
// converts to and from UTF-16 at the system call.
//
// Each demo program defines `int DemoMain()`; the platform file supplies the
// real entry point (main, or wWinMain so nothing shows under Wine).
// Single-threaded; failures are plain booleans.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

int DemoMain();

namespace demo {

// This process's arguments, argv[0] first (Windows: split by the system's rules).
std::vector<std::string> Arguments();
// The command line as it arrived: Windows gives the raw line, Linux the
// arguments joined by single spaces (what a Windows program would have seen).
std::string CommandLine();
// Value of environment variable `name`, empty when unset.
std::string Env(const char* name);
// Full path of this program's file.
std::string OwnPath();

// fopen with a UTF-8 path on every system.
FILE* OpenFile(const std::string& path, const char* mode);
bool ReadWholeFile(const std::string& path, std::string* out);
// Writes through a temporary sibling and renames it over `path`, so a reader
// never sees half a file; fails when `path` is in use and cannot be replaced.
bool StoreFile(const std::string& path, const void* data, size_t size, bool executable);
bool AppendLine(const std::string& path, const std::string& line);
// Creates `path` and every missing parent; an existing folder counts.
bool CreateFolders(const std::string& path);
void SleepMs(int ms);

// Records the installed product in the system's list of installed programs.
// Only the setup links this.
bool RecordUninstallEntry(const std::string& install_folder);

// Folder part of `path` (everything before the last separator).
std::string FolderOf(const std::string& path);
// `folder` + separator + `name`.
std::string JoinPath(const std::string& folder, const std::string& name);
// Arguments joined by tab characters: the line the demo programs log.
std::string JoinArguments(const std::vector<std::string>& args);

}  // namespace demo
