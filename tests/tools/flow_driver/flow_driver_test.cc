// The console driver, run as a child process the way a developer runs it:
// its exit status and the lines it prints for a success and for failures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "demo_paths.h"
#include "tests/support/test_server.h"

namespace fs = std::filesystem;

namespace {

struct DriverRun {
  int status = -1;
  std::string output;
};

DriverRun RunDriver(const fs::path& work, const std::string& options) {
  const fs::path out = work / "driver.out";
  std::string command = std::string("\"") + LUMACAST_FLOW_DRIVER + "\" --timeout 120 --install-dir \"" +
                        (work / "install").string() + "\" --download-dir \"" + (work / "download").string() +
                        "\" " + options + " > \"" + out.string() + "\" 2>&1";
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

}  // namespace
