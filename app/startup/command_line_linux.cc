#include "app/startup/command_line.h"

#include <sys/stat.h>

#include "base/file_util.h"

namespace command_line_platform {

bool SplitCommandLine(const NativeCommandLine& commandLine, std::vector<std::wstring>* arguments) {
  // The shell has split it already.
  *arguments = commandLine;
  return true;
}

std::wstring CommandLineText(const NativeCommandLine& commandLine) {
  // As on Windows: the arguments after the program name, joined by spaces.
  std::wstring text;
  for (size_t i = 1; i < commandLine.size(); ++i) {
    if (i > 1) text += L' ';
    text += commandLine[i];
  }
  return text;
}

bool ArgumentNamesFile(const std::wstring& path) {
  struct stat info;
  return stat(nbase::NativePath(path).c_str(), &info) == 0;
}

}  // namespace command_line_platform
