// The check the installer makes on a downloaded setup, made on the installers
// scripts/release.sh signed with the test chain (test release.signed_channels
// makes them; test_root_win.cc makes this Wine prefix trust the root). The
// installer never checks itself at run time: this shows that what the release
// signs is what a Windows verifier accepts under our publisher's name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/trust/setup_signature.h"
#include "held_handle.h"

namespace fs = std::filesystem;

TEST(ReleaseSignatureTest, SetupCheckAcceptsEverySignedInstaller) {
  int checked = 0;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(LUMACAST_RELEASE_SIGNED_DIR_W, error)) {
    if (entry.path().extension() != L".exe")
      continue;
    SCOPED_TRACE(entry.path().filename().string());
    HeldHandle file(entry.path().wstring());
    ASSERT_TRUE(file.valid());
    std::wstring detail;
    EXPECT_TRUE(VerifySetupSignature(entry.path().wstring(), file.get(), &detail)) << fs::path(detail).string();
    ++checked;
  }
  EXPECT_FALSE(error) << error.message();
  EXPECT_EQ(checked, 2) << "release.signed_channels makes two signed installers";
}
