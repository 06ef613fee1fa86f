// The installer's entry, shared by wWinMain (Windows) and main (Linux): stores
// and splits the command line, runs the UI thread's loop on the calling
// thread until it quits, then stops the workers. Returns the exit code (0).
#pragma once

#include "app/startup/command_line.h"

class SystemPrompt;

int RunInstaller(const NativeCommandLine& commandLine, SystemPrompt* prompt);
