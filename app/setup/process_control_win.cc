#include "app/setup/process_control.h"

#include <windows.h>
#include <tlhelp32.h>

#include "app/download/held_file.h"

namespace {

// Calls `visit` with the id of every running process whose executable file
// name is `name`; without a snapshot there are none.
template <typename Visit>
void ForEachProcessNamed(const std::wstring& name, Visit visit) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (name == entry.szExeFile) visit(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
}

// Ends process `id` and waits for it to be gone; false when it is still there.
bool EndProcess(DWORD id) {
  // Only what ending and waiting need: a product started by another user or
  // with higher rights may refuse this, and then it is left and reported.
  HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // gone since the snapshot
  const bool terminated = ::TerminateProcess(process, 0) != FALSE;
  // A process that ended on its own meanwhile refuses TerminateProcess but is signalled.
  const bool gone = ::WaitForSingleObject(process, terminated ? kProcessEndWaitMs : 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return gone;
}

}  // namespace

int CountProductProcesses(const std::wstring& name) {
  int count = 0;
  ForEachProcessNamed(name, [&count](DWORD) { ++count; });
  return count;
}

int EndProductProcesses(const std::wstring& name) {
  int left = 0;
  ForEachProcessNamed(name, [&left](DWORD id) {
    if (!EndProcess(id)) ++left;
  });
  return left;
}

namespace {

bool Launch(const LaunchCommand& command, PROCESS_INFORMATION* info, DWORD show) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (show != SW_SHOWDEFAULT) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
  }
  // CreateProcessW may write into the command line buffer.
  std::wstring line = BuildCommandLine(command);
  return ::CreateProcessW(command.program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, info) != FALSE;
}

}  // namespace

int32_t RunProcessAndWait(const LaunchCommand& command, const HeldFile* image, uint32_t* error,
                          const std::atomic<bool>* cancel) {
  // `image` only needs to stay open until CreateProcessW has returned: the
  // caller holds it, which denies writers for the whole launch.
  (void)image;
  PROCESS_INFORMATION info = {};
  if (!Launch(command, &info, SW_HIDE)) {
    *error = ::GetLastError();
    return -2;
  }
  // Waited for in short slices, so that a cancel is seen in time.
  while (::WaitForSingleObject(info.hProcess, kCancelCheckMs) == WAIT_TIMEOUT) {
    if (cancel && cancel->load()) {
      ::CloseHandle(info.hThread);
      ::CloseHandle(info.hProcess);
      *error = kWaitCancelled;
      return -1;
    }
  }
  DWORD code = 0;
  int32_t result;
  if (::GetExitCodeProcess(info.hProcess, &code)) {
    *error = 0;
    result = static_cast<int32_t>(code);
  } else {
    *error = ::GetLastError();
    result = -1;
  }
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return result;
}

bool StartDetachedProcess(const LaunchCommand& command) {
  PROCESS_INFORMATION info = {};
  if (!Launch(command, &info, SW_SHOWDEFAULT)) return false;
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return true;
}
