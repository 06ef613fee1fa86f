// The fixture of the end-to-end flow tests: the shared test server for the
// whole suite and the flow threads, and for each test a fresh folder `root_`
// with the user's own config and data folders and the demo programs' logs,
// the demo package served, and nothing recorded as installed (under Wine the
// real registry outlives a test). A test builds `context_` and `flow_` on the
// UI thread; they are destroyed there at the end.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "app/context/installer_context.h"
#include "app/flow/install_flow.h"
#include "tests/app/flow/flow_harness.h"
#include "tests/support/test_server.h"

namespace flow_test {

// How long a whole flow (download and setup runs) may take here.
inline constexpr std::chrono::seconds kFlowTimeout{100};

class FlowServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Waits for a result page; returns "show installedpage" or "show
  // installfaildpage" (empty after kFlowTimeout). The rest of the result step
  // has run by the time it returns.
  std::string WaitForResult();
  // The demo setup's instructions, one per run ("exit:N", "slow:MS", ...).
  void WriteSetupScript(const std::string& lines);

  static lumacast_test::TestServer* server_;
  std::filesystem::path root_;
  RecordingView view_;
  std::unique_ptr<InstallerContext> context_;
  std::unique_ptr<InstallFlow> flow_;
};

}  // namespace flow_test
