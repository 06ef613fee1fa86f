// The demo setup package: behaves like the product's silent installer for
// " /S /D=<folder>". Everything after " /D=" up to the end of the command line
// is the folder, spaces included, exactly as the real setup reads it. A run
// creates the folder, writes the embedded demo product into it as
// "lumacast.exe", records an uninstall entry named "LumaCast" and exits 0.
//
// Tests steer it without touching the command line:
// - LUMACAST_DEMO_SETUP_LOG: each run appends its arguments, tab-separated.
// - LUMACAST_DEMO_SETUP_SCRIPT: a file with one instruction per run; each run
//   takes (and removes) the first line: "ok", "exit:<code>" (exit at once with
//   that code), "slow:<ms>" (wait, then install), "nowrite" (exit 0 having
//   written nothing), "lenient" (install, but exit 0 even when the folder
//   could not be made or written, as installer-builder setups do). No file
//   or no lines left means "ok".
//
// Exit codes of its own: 2 no " /D=" folder, 3 folder not creatable, 4 product
// not writable (for example still running), 5 uninstall entry not recorded.
#include <cstdlib>
#include <string>

#include "demo_platform.h"
#include "demo_setup_payload.h"

namespace {

// Takes the first line of the script file, writing back the rest.
std::string NextInstruction() {
  const std::string script = demo::Env("LUMACAST_DEMO_SETUP_SCRIPT");
  std::string text;
  if (script.empty() || !demo::ReadWholeFile(script, &text))
    return "ok";
  size_t end = text.find('\n');
  std::string first = text.substr(0, end);
  std::string rest = end == std::string::npos ? std::string() : text.substr(end + 1);
  demo::StoreFile(script, rest.data(), rest.size(), false);
  while (!first.empty() && (first.back() == '\r' || first.back() == ' '))
    first.pop_back();
  return first.empty() ? "ok" : first;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// Installs into the folder after " /D="; 0 or one of the exit codes above.
int Install() {
  const std::string line = demo::CommandLine();
  size_t marker = line.find(" /D=");
  if (marker == std::string::npos || marker + 4 >= line.size())
    return 2;
  const std::string folder = line.substr(marker + 4);
  if (!demo::CreateFolders(folder))
    return 3;
  const DemoBlob product = DemoProductBytes();
  if (!demo::StoreFile(demo::JoinPath(folder, "lumacast.exe"), product.data, product.size, true))
    return 4;
  if (!demo::RecordUninstallEntry(folder))
    return 5;
  // Touch the padding so no linker ever thinks it unused.
  return DemoPaddingBytes().size > 0 ? 0 : 6;
}

}  // namespace

int DemoMain() {
  const std::string log = demo::Env("LUMACAST_DEMO_SETUP_LOG");
  if (!log.empty())
    demo::AppendLine(log, demo::JoinArguments(demo::Arguments()));

  const std::string instruction = NextInstruction();
  if (StartsWith(instruction, "exit:"))
    return std::atoi(instruction.c_str() + 5);
  if (instruction == "nowrite")
    return 0;
  if (StartsWith(instruction, "slow:"))
    demo::SleepMs(std::atoi(instruction.c_str() + 5));

  const int result = Install();
  return instruction == "lenient" ? 0 : result;
}
