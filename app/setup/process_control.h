// Starting, waiting for, finding and ending processes: what the installer
// needs to run the setup package, to start the product and to end a running
// product before its files are replaced.
//
// Programs are started from a `LaunchCommand` (program path plus arguments),
// never from a free-form command line: on Windows the program path is passed
// both as the application name and, quoted, at the head of the command line,
// so a path with spaces can never start a program on an ambiguous prefix; the
// arguments follow unquoted, as the setup expects " /D=" last. On Linux the
// argument vector is built directly. Blocking calls run on a worker thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HeldFile;

struct LaunchCommand {
  std::wstring program;
  std::vector<std::wstring> args;
};

// The Windows command line of `command`: the quoted program path, then each
// argument after one space, unquoted.
std::wstring BuildCommandLine(const LaunchCommand& command);

// Counts the running processes whose executable file name equals `name`
// exactly (case-sensitive) and, when `kill` is true, ends each of them. A match
// counts even when it cannot be ended.
int FindProductProcesses(const std::wstring& name, bool kill);

// Runs `command` hidden and waits for it without time-out. When `image` is
// given the program is started from that open file (which must be the file at
// `command.program`) rather than by path. Returns the exit code; -2 with the
// system error in `error` when the process could not be started, -1 when its
// exit code could not be read; `error` is 0 otherwise.
int32_t RunProcessAndWait(const LaunchCommand& command, const HeldFile* image, uint32_t* error);

// Starts `command` without waiting for it. Returns false when it could not be
// started.
bool StartDetachedProcess(const LaunchCommand& command);
