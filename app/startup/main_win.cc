// Windows entry point of LumaCastInstaller.exe.
#include <windows.h>

#include "app/startup/startup.h"
#include "platform/system_library.h"
#include "app/startup/system_prompt.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  HardenDllSearchPath();  // before anything can load a DLL by name
  std::unique_ptr<SystemPrompt> prompt = CreateSystemPrompt();
  return RunInstaller(commandLine ? commandLine : L"", prompt.get());
}
