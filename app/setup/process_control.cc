#include "app/setup/process_control.h"

std::wstring BuildCommandLine(const LaunchCommand& command) {
  std::wstring line = L"\"" + command.program + L"\"";
  for (const std::wstring& arg : command.args) {
    line += L' ';
    line += arg;
  }
  return line;
}
