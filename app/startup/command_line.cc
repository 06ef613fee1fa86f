#include "app/startup/command_line.h"

CommandLineSwitches& CommandLineSwitches::Get() {
  // Never freed: it lives until the process ends.
  static CommandLineSwitches* table = new CommandLineSwitches;
  return *table;
}

void ApplyArguments(const std::vector<std::wstring>& arguments,
                    bool (*exists)(const std::wstring& path),
                    std::map<std::wstring, std::wstring>* switches) {
  for (const std::wstring& argument : arguments) {
    if (argument.empty()) continue;
    std::wstring key;
    std::wstring value;
    if (exists(argument)) {
      key = L"path";
      value = argument;
    } else {
      const size_t colon = argument.find(L':');
      if (colon == std::wstring::npos) {
        key = argument;
      } else if (colon >= 2) {
        key = argument.substr(0, colon);
        value = argument.substr(colon + 1);
      }
      // A colon at index 0 or 1 leaves both empty.
    }
    (*switches)[key] = value;
  }
}

bool ParseCommandLine(const NativeCommandLine& commandLine) {
  CommandLineSwitches& table = CommandLineSwitches::Get();
  table.commandLine = command_line_platform::CommandLineText(commandLine);
  table.switches.clear();
  std::vector<std::wstring> arguments;
  if (!command_line_platform::SplitCommandLine(commandLine, &arguments)) return false;
  ApplyArguments(arguments, &command_line_platform::ArgumentNamesFile, &table.switches);
  return true;
}
