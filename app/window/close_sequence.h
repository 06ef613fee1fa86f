// The installer's end once its window closes.
//
// Closing the main window ends the process with exit code 0 without waiting
// for a download or a setup run. The reports already handed to the HTTP
// thread (the quit report among them) are given a short time to go out
// first: the caller hides the window, then this waits until the HTTP thread
// has worked through everything queued before the call, at most `max_wait_ms`.
// UI thread.
#pragma once

#include <cstdint>

inline constexpr int64_t kReportFlushMs = 2000;

// Waits for the tasks queued on thread `http_thread_id` so far (at most
// `max_wait_ms`; not at all when that thread is not there). True when they
// were done in time.
bool WaitForQueuedReports(int http_thread_id, int64_t max_wait_ms);

// Ends the process at once with `code` (no destructors, no other thread
// waited for). Platform half.
[[noreturn]] void EndProcessNow(int code);
