// Real processes: a program that cannot be executed is never reported as
// started, and the product's processes are counted and ended by file name.
#include "app/setup/process_control.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

class ProcessControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("lumacast processes " + std::to_string(::getpid()));
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  fs::path root_;
};

TEST_F(ProcessControlTest, AProgramThatCannotBeExecutedIsNotReportedAsStarted) {
  const fs::path garbage = root_ / "lumacast.exe";
  std::ofstream(garbage, std::ios::binary) << "MZ not a program here";
  ::chmod(garbage.c_str(), 0755);  // executable bits, but exec fails (ENOEXEC)
  EXPECT_FALSE(StartDetachedProcess(LaunchCommand{garbage.wstring(), {}}));
  EXPECT_FALSE(StartDetachedProcess(LaunchCommand{(root_ / "missing").wstring(), {}}));
  EXPECT_TRUE(StartDetachedProcess(LaunchCommand{L"/bin/sh", {L"-c", L"exit 0"}}));
}

TEST_F(ProcessControlTest, CountsAndEndsProcessesByExactFileName) {
  const std::wstring name = L"lc-sleeper-" + std::to_wstring(::getpid());
  const fs::path program = root_ / name;
  fs::copy_file("/bin/sleep", program);
  ASSERT_TRUE(StartDetachedProcess(LaunchCommand{program.wstring(), {L"60"}}));
  ASSERT_TRUE(StartDetachedProcess(LaunchCommand{program.wstring(), {L"60"}}));
  int found = 0;
  for (int i = 0; i < 200 && found < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    found = CountProductProcesses(name);
  }
  EXPECT_EQ(found, 2);
  EXPECT_EQ(CountProductProcesses(name + L"x"), 0);
  EXPECT_EQ(EndProductProcesses(name), 0);
  EXPECT_EQ(CountProductProcesses(name), 0) << "EndProductProcesses returned before they were gone";
  EXPECT_EQ(EndProductProcesses(name), 0);  // nothing left to end
}

}  // namespace
