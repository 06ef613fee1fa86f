#include "app/startup/main_thread.h"

#include <windows.h>

void PostQuitToUiLoop() { PostQuitMessage(0); }
