// The installer's end once its window closes or the program is asked to quit
// from outside.
//
// Closing the main window ends the process with exit code 0. The reports
// already handed to the HTTP thread (the quit report among them) are given a
// short time to go out first: the caller hides the window, then waits until
// the HTTP thread has worked through everything queued before the call, at
// most `max_wait_ms`. A quit from outside (a signal, WM_QUIT, the display
// lost) first cancels the flow and gives the worker a moment to end its
// cancelled download or setup wait. UI thread.
#pragma once

#include <cstdint>

inline constexpr int64_t kReportFlushMs = 2000;
// How long a cancelled download or setup wait gets to end on the worker.
inline constexpr int64_t kWorkerStopMs = 1500;

// Waits for the tasks queued on thread `thread_id` so far (at most
// `max_wait_ms`; not at all when that thread is not there). True when they
// were done in time.
bool WaitForQueuedTasks(int thread_id, int64_t max_wait_ms);

// Ends the process at once with `code` (no destructors, no other thread
// waited for). Platform half.
[[noreturn]] void EndProcessNow(int code);
