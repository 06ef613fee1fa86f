#include "app/setup/process_control.h"

#include <windows.h>
#include <tlhelp32.h>

#include "app/download/held_file.h"

int FindProductProcesses(const std::wstring& name, bool kill) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (name != entry.szExeFile) continue;
    HANDLE process = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
    if (process) {
      if (kill) ::TerminateProcess(process, 0);
      ::CloseHandle(process);
    }
    ++count;
  }
  ::CloseHandle(snapshot);
  return count;
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

int32_t RunProcessAndWait(const LaunchCommand& command, const HeldFile* image, uint32_t* error) {
  // `image` only needs to stay open until CreateProcessW has returned: the
  // caller holds it, which denies writers for the whole launch.
  (void)image;
  PROCESS_INFORMATION info = {};
  if (!Launch(command, &info, SW_HIDE)) {
    *error = ::GetLastError();
    return -2;
  }
  ::WaitForSingleObject(info.hProcess, INFINITE);
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
