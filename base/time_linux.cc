#include <time.h>

#include "base/time.h"

namespace nbase::internal {

uint32_t SystemTicks() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
  return static_cast<uint32_t>(ms);  // wraps like timeGetTime
}


}  // namespace nbase::internal

namespace nbase {

std::tm LocalTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts = {};
  localtime_r(&now, &parts);
  return parts;
}

}  // namespace nbase
