#include "bench/thread_wakeups.h"

// Windows keeps no per-thread count of wake-ups that a program can read.
int64_t ThreadWakeUps() { return -1; }
