#include "app/startup/startup.h"

#include "app/startup/main_thread.h"

int RunInstaller(const NativeCommandLine& commandLine, SystemPrompt* prompt) {
  ParseCommandLine(commandLine);  // nothing reads the switches; a failure changes nothing
  {
    MainThread main_thread(prompt);
    main_thread.RunHere(nbase::kLoopWindows);
  }  // workers stopped and joined: the HTTP thread first
  return 0;
}
