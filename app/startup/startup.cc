#include "app/startup/startup.h"

#include "app/startup/main_thread.h"

int RunInstaller(const NativeCommandLine& commandLine, SystemPrompt* prompt) {
  ParseCommandLine(commandLine);  // nothing reads the switches; a failure changes nothing
  int exit_code = 0;
  {
    MainThread main_thread(prompt, kSingleInstanceName, true);
    main_thread.RunHere(nbase::kLoopWindows);
    exit_code = main_thread.exit_code();
  }  // workers stopped and joined: the HTTP thread first; the instance lock released
  return exit_code;
}
