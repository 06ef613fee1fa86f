#include "tools/flow_driver/stop_requests.h"

#include <signal.h>

#include <cstdlib>
#include <thread>

void WatchStopRequests(std::function<void()> stop) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals, stop = std::move(stop)] {
    bool asked = false;
    for (;;) {
      int received = 0;
      if (sigwait(&signals, &received) != 0) continue;
      if (asked) std::_Exit(2);
      asked = true;
      stop();
    }
  }).detach();
}
