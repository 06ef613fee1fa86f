// Wake-ups of the calling thread so far, as the system counts them (voluntary
// context switches on Linux); -1 where the system does not tell.
#pragma once

#include <cstdint>

int64_t ThreadWakeUps();
