#include "tests/app/flow/flow_server_test.h"

#include <fstream>
#include <system_error>

#include "demo_paths.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

namespace flow_test {

lumacast_test::TestServer* FlowServerTest::server_ = nullptr;

void FlowServerTest::SetUpTestSuite() { server_ = new lumacast_test::TestServer(); }

void FlowServerTest::TearDownTestSuite() {
  delete server_;
  server_ = nullptr;
}

void FlowServerTest::SetUp() {
  ASSERT_TRUE(server_->ok()) << server_->error();
  ASSERT_TRUE(EnsureFlowThreads());
  ASSERT_TRUE(server_->Reset());
  ASSERT_TRUE(server_->SetFile(LUMACAST_DEMO_SETUP_PATH_A));

  static int counter = 0;
  root_ = fs::temp_directory_path() / ("lumacast flow " + std::to_string(++counter) + "-" +
                                       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(root_ / "config");
  fs::create_directories(root_ / "data");
  SetEnv("XDG_CONFIG_HOME", (root_ / "config").string());
  SetEnv("XDG_DATA_HOME", (root_ / "data").string());
  SetEnv("LUMACAST_DEMO_SETUP_LOG", (root_ / "setup.log").string());
  SetEnv("LUMACAST_DEMO_SETUP_SCRIPT", (root_ / "setup.script").string());
  SetEnv("LUMACAST_DEMO_PRODUCT_LOG", (root_ / "product.log").string());
  SetEnv("LUMACAST_DECOY_LOG", (root_ / "decoy.log").string());
  SetEnv("LUMACAST_DEMO_PRODUCT_STAY", "");
  WriteRegistryString(kAppInfoKey, L"InstallerPath", L"");
  DeleteUninstallEntry(0, L"LumaCast");
  DeleteUninstallEntry(kRegistryView64, L"LumaCast");
}

void FlowServerTest::TearDown() {
  if (flow_) RunOnUi([this] { flow_.reset(); });
  if (context_) RunOnUi([this] { context_.reset(); });
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string FlowServerTest::WaitForResult() {
  std::string page = view_.WaitForEither("show installedpage", "show installfaildpage", kFlowTimeout);
  RunOnUi([] {});
  return page;
}

void FlowServerTest::WriteSetupScript(const std::string& lines) {
  std::ofstream(root_ / "setup.script", std::ios::binary) << lines;
}

}  // namespace flow_test
