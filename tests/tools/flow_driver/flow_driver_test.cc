// The console driver, run as a child process the way a developer runs it:
// its exit status and the lines it prints for a success and for failures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config/build_config.h"
#include "demo_paths.h"
#include "platform/registry.h"
#include "tests/support/test_server.h"

namespace fs = std::filesystem;

namespace {

struct DriverRun {
  int status = -1;
  std::string output;
};

DriverRun RunDriver(const fs::path& work, const std::string& options, bool default_folders = true) {
  // A file per run: under Wine a finished run's processes may still hold
  // their output file for a moment, and a second redirect to it would fail.
  static int runs = 0;
  const fs::path out = work / ("driver-" + std::to_string(++runs) + ".out");
  std::string command = std::string("\"") + LUMACAST_FLOW_DRIVER + "\" ";
  if (default_folders) {
    command += "--timeout 120 --install-dir \"" + (work / "install").string() + "\" --download-dir \"" +
               (work / "download").string() + "\" ";
  }
  command += options + " > \"" + out.string() + "\" 2>&1";
#if defined(_WIN32)
  command = "\"" + command + "\"";  // cmd /c keeps the inner quotes this way
#endif
  DriverRun run;
  int raw = std::system(command.c_str());
#if defined(_WIN32)
  run.status = raw;
#else
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  std::ifstream in(out, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  run.output = text.str();
  return run;
}

bool HasLine(const std::string& output, const std::string& line) {
  return ("\n" + output).find("\n" + line + "\n") != std::string::npos ||
         ("\n" + output).find("\n" + line + "\r\n") != std::string::npos;
}

TEST(FlowDriverTest, ExitStatusFollowsTheResultPage) {
  lumacast_test::TestServer server;
  ASSERT_TRUE(server.ok()) << server.error();
  ASSERT_TRUE(server.Reset());
  ASSERT_TRUE(server.SetFile(LUMACAST_DEMO_SETUP_PATH_A));
  const fs::path work = fs::temp_directory_path() /
                        ("lumacast-driver-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(work / "config");
#if !defined(_WIN32)
  setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (work / "config").c_str(), 1);
#endif

  DriverRun success = RunDriver(work, "");
  EXPECT_EQ(success.status, 0) << success.output;
  EXPECT_TRUE(HasLine(success.output, "show installpage")) << success.output;
  EXPECT_TRUE(HasLine(success.output, "progress 1")) << success.output;
  EXPECT_TRUE(HasLine(success.output, "show installedpage")) << success.output;
  EXPECT_TRUE(fs::exists(work / "install" / "lumacast.exe"));

  // Every mirror attempt fails, twice: "Try Again" once, then it is gone.
  ASSERT_TRUE(server.Reset());
  ASSERT_TRUE(server.SetDefault("cdn", R"({"action":"status","status":500})"));
  DriverRun failure = RunDriver(work, "--retry 1");
  EXPECT_EQ(failure.status, 1) << failure.output;
  EXPECT_TRUE(HasLine(failure.output, "show installfaildpage")) << failure.output;
  EXPECT_TRUE(HasLine(failure.output, "hide btn_reinstall")) << failure.output;
  EXPECT_EQ(server.Records("cdn").size(), 6u);

  std::error_code ignored;
  fs::remove_all(work, ignored);
}

// What the driver leaves behind is what the installer would: the installer's
// own channel. Relative folders are taken from the current folder, "Try
// Again" is pressed only while the flow shows it, and a time-out ends a
// stalled download at once instead of waiting for its remaining attempts.
TEST(FlowDriverTest, ChannelFoldersRetriesAndTimeOut) {
  lumacast_test::TestServer server;
  ASSERT_TRUE(server.ok()) << server.error();
  ASSERT_TRUE(server.Reset());
  ASSERT_TRUE(server.SetFile(LUMACAST_DEMO_SETUP_PATH_A));
  const fs::path work = fs::temp_directory_path() /
                        ("lumacast-driver2-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(work / "config");
#if !defined(_WIN32)
  setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (work / "config").c_str(), 1);
#endif
  WriteRegistryString(kAppInfoKey, L"InstallerChannel", L"");
  const fs::path before = fs::current_path();
  fs::current_path(work);
  DriverRun relative = RunDriver(work, "--timeout 120 --install-dir rel//inst/ --download-dir dl", false);
  fs::current_path(before);
  EXPECT_EQ(relative.status, 0) << relative.output;
  EXPECT_TRUE(fs::exists(work / "rel" / "inst" / "lumacast.exe"));
#if !defined(_WIN32)
  // Under Wine the values the driver wrote are not seen by this process yet.
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerChannel"), LUMACAST_CHANNEL_W);
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), (work / "rel" / "inst").wstring());
#endif

  // Every attempt fails: one retry is offered, so --retry 5 presses it once.
  ASSERT_TRUE(server.Reset());
  ASSERT_TRUE(server.SetDefault("cdn", R"({"action":"status","status":500})"));
  DriverRun retries = RunDriver(work, "--retry 5");
  EXPECT_EQ(retries.status, 1) << retries.output;
  EXPECT_EQ(server.Records("cdn").size(), 6u);

  // The mirror trickles: the time-out ends the run during that attempt.
  ASSERT_TRUE(server.Reset());
  ASSERT_TRUE(server.SetDefault("cdn", R"({"action":"throttle","rate":1})"));
  DriverRun stalled = RunDriver(work, "--timeout 3", false);
  EXPECT_EQ(stalled.status, 2) << stalled.output;
  EXPECT_TRUE(HasLine(stalled.output, "lumacast-flow: timed out")) << stalled.output;
  EXPECT_EQ(server.Records("cdn").size(), 1u) << "attempts went on after the time-out";

#if !defined(_WIN32)
  // A folder that is not UTF-8 cannot be passed on: refused, nothing runs.
  ASSERT_TRUE(server.Reset());
  DriverRun unconvertible = RunDriver(work, "--install-dir \"" + (work / "bad-\xff").string() + "\"", false);
  EXPECT_EQ(unconvertible.status, 2) << unconvertible.output;
  EXPECT_TRUE(server.Records().empty());
#endif
  std::error_code ignored;
  fs::remove_all(work, ignored);
}

}  // namespace
