#include <windows.h>

#include "base/time.h"
#include "base/winmm_win.h"

namespace nbase::internal {

uint32_t SystemTicks() {
  using TickFunction = DWORD(WINAPI*)();
  // GetTickCount counts the same milliseconds, only more coarsely, if winmm
  // cannot be had.
  static const TickFunction ticks = [] {
    TickFunction found = WinmmFunction<TickFunction>("timeGetTime");
    return found != nullptr ? found : &GetTickCount;
  }();
  return ticks();
}


}  // namespace nbase::internal

namespace nbase {

std::tm LocalTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts = {};
  localtime_s(&parts, &now);
  return parts;
}

}  // namespace nbase
