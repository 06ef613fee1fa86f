// The signed demo package chains to a test root that a fresh Wine prefix does
// not trust; trust it before any signature test runs.
#include <gtest/gtest.h>

#include "demo_paths.h"
#include "trust_root.h"

namespace {

class TestRootEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(TrustRootCertificate(LUMACAST_DEMO_TEST_ROOT_CERT_PATH_W));
  }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TestRootEnvironment);

}  // namespace
