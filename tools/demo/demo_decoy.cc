// A decoy at the path an unquoted command line could be mistaken for
// ("C:\Users\Ann.exe" for "C:\Users\Ann Lee\...\setup.exe"). It only records
// that it ran, to the file named by LUMACAST_DECOY_LOG, and exits 0 - the exit
// code a careless caller would take for success.
#include "demo_platform.h"

int DemoMain() {
  const std::string log = demo::Env("LUMACAST_DECOY_LOG");
  if (!log.empty())
    demo::AppendLine(log, "decoy ran\t" + demo::CommandLine());
  return 0;
}
