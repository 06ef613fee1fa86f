// The URL moniker's Internet cache, as a test sees it (Windows; Linux has no
// such cache and always answers 0).
#pragma once

#include <cstdint>

// How many entries of the Internet cache hold a file of exactly `size` bytes.
int CachedCopiesOfSize(uint64_t size);
