#include "app/trust/setup_signature.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "demo_paths.h"
#include "held_handle.h"

namespace fs = std::filesystem;

namespace {

// 0 when trusted, else the trust code.
int32_t Verify(const std::wstring& path, std::wstring* detail) {
  HeldHandle file(path);
  EXPECT_TRUE(file.valid()) << fs::path(path).string();
  return VerifySetupSignature(path, file.get(), detail);
}

// A private folder under the temporary directory, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() / ("lumacast-signing-" + std::to_string(stamp));
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::wstring File(const wchar_t* name) const { return (path_ / name).wstring(); }

 private:
  fs::path path_;
};

}  // namespace

TEST(SetupSignatureTest, AcceptsTheSignedDemoPackage) {
  std::wstring detail;
  EXPECT_EQ(Verify(LUMACAST_DEMO_SETUP_PATH_W, &detail), 0) << fs::path(detail).string();
}

// Each forgery is refused with the code the system's verifier gives for it
// (Linux cannot tell a stranger's key from altered bytes: both are a digest
// that does not match).
TEST(SetupSignatureTest, RejectsUnsignedForeignAndAlteredPackagesWithTheirTrustCodes) {
  const struct {
    const char* what;
    const wchar_t* path;
    int32_t code;
  } forgeries[] = {
      {"unsigned", LUMACAST_DEMO_SETUP_UNSIGNED_PATH_W, kTrustNoSignature},
#if defined(_WIN32)
      {"other publisher", LUMACAST_DEMO_SETUP_OTHER_PUBLISHER_PATH_W, kTrustOtherPublisher},
      {"altered after signing", LUMACAST_DEMO_SETUP_ALTERED_PATH_W, kTrustBadDigest},
      {"our name on an untrusted certificate", LUMACAST_DEMO_SETUP_UNTRUSTED_ROOT_PATH_W, kTrustUntrustedRoot},
#else
      {"other publisher", LUMACAST_DEMO_SETUP_OTHER_PUBLISHER_PATH_W, kTrustBadDigest},
      {"altered after signing", LUMACAST_DEMO_SETUP_ALTERED_PATH_W, kTrustBadDigest},
#endif
  };
  for (const auto& forgery : forgeries) {
    SCOPED_TRACE(forgery.what);
    std::wstring detail;
    EXPECT_EQ(static_cast<uint32_t>(Verify(forgery.path, &detail)), static_cast<uint32_t>(forgery.code))
        << fs::path(detail).string();
    EXPECT_NE(detail.find(L"signature"), std::wstring::npos) << fs::path(detail).string();
  }
}

TEST(SetupSignatureTest, RejectsTruncatedSignatures) {
  ScratchFolder scratch;
  const std::wstring signed_package = LUMACAST_DEMO_SETUP_PATH_W;
  const uintmax_t size = fs::file_size(signed_package);
  // One byte short, half the signature gone, the whole tail gone, and a
  // file shorter than any signature could be.
  for (uintmax_t kept : {size - 1, size - 40, size - 200, uintmax_t{10}}) {
    SCOPED_TRACE(kept);
    const std::wstring copy = scratch.File(L"truncated.exe");
    fs::copy_file(signed_package, copy, fs::copy_options::overwrite_existing);
    fs::resize_file(copy, kept);
    EXPECT_NE(Verify(copy, nullptr), 0);
  }
}

// The caller holds the file open so it cannot be swapped; the verdict must be
// about the bytes behind that handle, whatever the path names.
TEST(SetupSignatureTest, JudgesTheHeldFileNotThePath) {
  HeldHandle unsigned_file(LUMACAST_DEMO_SETUP_UNSIGNED_PATH_W);
  ASSERT_TRUE(unsigned_file.valid());
  EXPECT_EQ(VerifySetupSignature(LUMACAST_DEMO_SETUP_PATH_W, unsigned_file.get(), nullptr), kTrustNoSignature);

  HeldHandle signed_file(LUMACAST_DEMO_SETUP_PATH_W);
  ASSERT_TRUE(signed_file.valid());
  EXPECT_EQ(VerifySetupSignature(LUMACAST_DEMO_SETUP_UNSIGNED_PATH_W, signed_file.get(), nullptr), 0);
}

TEST(SetupSignatureTest, RejectsAMissingHandle) {
  std::wstring detail;
  EXPECT_EQ(VerifySetupSignature(LUMACAST_DEMO_SETUP_PATH_W, -1, &detail), kTrustNoFile);
  EXPECT_FALSE(detail.empty());
}
