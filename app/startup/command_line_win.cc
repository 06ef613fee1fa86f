#include "app/startup/command_line.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

namespace command_line_platform {

bool SplitCommandLine(const NativeCommandLine& commandLine, std::vector<std::wstring>* arguments) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &count);
  if (!argv) return false;
  arguments->assign(argv, argv + count);
  LocalFree(argv);
  return true;
}

std::wstring CommandLineText(const NativeCommandLine& commandLine) { return commandLine; }

bool ArgumentNamesFile(const std::wstring& path) { return PathFileExistsW(path.c_str()) != FALSE; }

}  // namespace command_line_platform
