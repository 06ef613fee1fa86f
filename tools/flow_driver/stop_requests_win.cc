#include "tools/flow_driver/stop_requests.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>

namespace {

std::function<void()>& StopCallback() {
  static std::function<void()> stop;
  return stop;
}

BOOL WINAPI OnConsoleControl(DWORD) {
  static std::atomic<bool> asked{false};
  if (asked.exchange(true)) std::_Exit(2);
  StopCallback()();
  return TRUE;
}

}  // namespace

void WatchStopRequests(std::function<void()> stop) {
  StopCallback() = std::move(stop);
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}
