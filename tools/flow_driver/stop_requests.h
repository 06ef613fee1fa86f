// Stop requests from outside the driver: SIGTERM or SIGINT on Linux, Ctrl+C,
// Ctrl+Break or closing the console on Windows.
#pragma once

#include <functional>

// Calls `stop` on a thread of its own at the first request; a second request
// ends the process at once with status 2. Call first thing in main, before
// any other thread exists (Linux blocks the signals in every thread).
void WatchStopRequests(std::function<void()> stop);
