// The program's command line, split into key/value switches.
//
// `CommandLineSwitches` is a process-wide table created on first use and kept
// to process end. The entry point fills it once (`ParseCommandLine`) on the
// UI thread before anything else runs; nothing in the installer changes its
// behaviour by a switch.
//
// Each argument gives one entry: an argument naming an existing file is stored
// as "path" = argument; otherwise the text before the first ':' is the key and
// the text after it the value ("mode:silent" -> mode = silent, "flag" ->
// flag = ""). A ':' at index 0 or 1 (a drive letter of a path that does not
// exist) gives the empty key with the empty value. Later arguments replace
// earlier ones with the same key.
#pragma once

#include <map>
#include <string>
#include <vector>

// What the platform hands the entry point. Windows: the text after the program
// name, split here with CommandLineToArgvW (an empty text yields the program's
// own path). Linux: the argument vector as main receives it, argv[0] first.
#if defined(_WIN32)
using NativeCommandLine = std::wstring;
#else
using NativeCommandLine = std::vector<std::wstring>;
#endif

struct CommandLineSwitches {
  static CommandLineSwitches& Get();

  std::wstring commandLine;
  std::map<std::wstring, std::wstring> switches;
};

// Stores `commandLine` in CommandLineSwitches::Get() and rebuilds its
// switches. False only when the platform cannot split the command line.
bool ParseCommandLine(const NativeCommandLine& commandLine);

// The key/value rule above, for arguments already split. `exists` tells
// whether an argument names an existing file.
void ApplyArguments(const std::vector<std::wstring>& arguments,
                    bool (*exists)(const std::wstring& path),
                    std::map<std::wstring, std::wstring>* switches);

namespace command_line_platform {
// Platform parts (command_line_win.cc / command_line_linux.cc).
bool SplitCommandLine(const NativeCommandLine& commandLine, std::vector<std::wstring>* arguments);
// The text kept as CommandLineSwitches::commandLine.
std::wstring CommandLineText(const NativeCommandLine& commandLine);
bool ArgumentNamesFile(const std::wstring& path);
}  // namespace command_line_platform
