#include "app/startup/main_thread.h"

#include "base/message_loop.h"

void PostQuitToUiLoop() { nbase::PostQuitToCurrentLoop(); }
