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

#include <atomic>
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
// exactly (case-sensitive).
int CountProductProcesses(const std::wstring& name);

// How long EndProductProcesses waits for each ended process to be gone.
inline constexpr int kProcessEndWaitMs = 3000;

// Ends every running process whose executable file name equals `name` and
// waits (at most kProcessEndWaitMs each) until it is gone. Returns how many
// are left: those that could not be opened or ended, or were still there when
// the wait ran out. Blocks: call it on a worker thread.
int EndProductProcesses(const std::wstring& name);

// Runs `command` hidden and waits for it without time-out. When `image` is
// given the program is started from that open file (which must be the file at
// `command.program`) rather than by path. Returns the exit code; -2 with the
// system error in `error` when the process could not be started, -1 when its
// exit code could not be read; `error` is 0 otherwise.
//
// When `cancel` is given and becomes true, the wait ends within
// kCancelCheckMs with -1 and kWaitCancelled in `error`; the process is left
// running (a setup may be half-way through writing its files).
int32_t RunProcessAndWait(const LaunchCommand& command, const HeldFile* image, uint32_t* error,
                          const std::atomic<bool>* cancel = nullptr);

inline constexpr int kCancelCheckMs = 50;
// The system error of a wait given up through `cancel` (ERROR_CANCELLED).
inline constexpr uint32_t kWaitCancelled = 1223;

// Starts `command` without waiting for it. Returns false when it could not be
// started, including (Linux) when the program was found but could not be
// executed.
bool StartDetachedProcess(const LaunchCommand& command);
