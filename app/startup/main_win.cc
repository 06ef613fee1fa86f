// Windows entry point of LumaCastInstaller.exe.
#include <windows.h>

#include "app/startup/startup.h"
#include "platform/system_library.h"
#include "app/startup/system_prompt.h"

#include <cstdlib>

// The runtime's default terminate handler prints the pending exception's
// demangled type to a console this GUI program does not have, and drags the
// whole demangler into the download. The program never throws: just end.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  HardenDllSearchPath();  // before anything can load a DLL by name
  std::unique_ptr<SystemPrompt> prompt = CreateSystemPrompt();
  return RunInstaller(commandLine ? commandLine : L"", prompt.get());
}
