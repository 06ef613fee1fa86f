// The demo product "lumacast.exe": stands in for the installed program.
// Records each start (its arguments, tab-separated, one line per start) in
// "started.txt" beside itself and, when LUMACAST_DEMO_PRODUCT_LOG names a
// file, there too. LUMACAST_DEMO_PRODUCT_STAY=<ms> keeps it running that
// long, so a test can have the product "running".
#include <cstdlib>

#include "demo_platform.h"

int DemoMain() {
  const std::string line = demo::JoinArguments(demo::Arguments());
  demo::AppendLine(demo::JoinPath(demo::FolderOf(demo::OwnPath()), "started.txt"), line);
  const std::string log = demo::Env("LUMACAST_DEMO_PRODUCT_LOG");
  if (!log.empty())
    demo::AppendLine(log, line);
  const std::string stay = demo::Env("LUMACAST_DEMO_PRODUCT_STAY");
  if (!stay.empty())
    demo::SleepMs(std::atoi(stay.c_str()));
  return 0;
}
