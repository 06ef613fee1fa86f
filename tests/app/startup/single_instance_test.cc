#include "app/startup/single_instance.h"

#include <gtest/gtest.h>

#include "fake_prompt.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/utf.h"
#endif

std::wstring UniqueInstanceName(const wchar_t* tag) {
#if defined(_WIN32)
  const unsigned long pid = GetCurrentProcessId();
#else
  const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
  return std::wstring(L"ILumaCastInstallerTest-") + tag + L"-" + std::to_wstring(pid);
}

namespace {

#if !defined(_WIN32)
// Lock files of this test program go to a folder of its own, removed at the
// end, instead of piling up in /tmp.
class LockFolderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char dir[] = "/tmp/lumacast-locks-XXXXXX";
    if (mkdtemp(dir)) {
      dir_ = dir;
      setenv("XDG_RUNTIME_DIR", dir, 1);
    }
  }
  void TearDown() override {
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
  }

 private:
  std::string dir_;
};
const auto* const lock_folder = ::testing::AddGlobalTestEnvironment(new LockFolderEnvironment);
#endif

TEST(SingleInstanceTest, PromptTextIsTheInstallersOwn) {
  EXPECT_EQ(SingleInstancePromptText(),
            L"LumaCast setup is running, please close it and click \"Try Again\" to proceed or "
            L"select \"Cancel\" to exit the installation.");
  EXPECT_STREQ(kSingleInstanceName, L"ILumaCastInstaller");
  EXPECT_STREQ(kSingleInstanceCaption, L"Installation Tips");
}

TEST(SingleInstanceTest, FreeLockIsTakenWithoutAskingAndHeldUntilReleased) {
  const std::wstring name = UniqueInstanceName(L"free");
  FakePrompt prompt({});
  auto lock = AcquireSingleInstance(name, &prompt);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(prompt.asked, 0);
  EXPECT_EQ(InstanceLock::TryAcquire(name), nullptr);
  lock.reset();
  EXPECT_NE(InstanceLock::TryAcquire(name), nullptr);
}

TEST(SingleInstanceTest, CancelGivesUpAfterOneQuestion) {
  const std::wstring name = UniqueInstanceName(L"cancel");
  auto other = InstanceLock::TryAcquire(name);
  ASSERT_NE(other, nullptr);
  FakePrompt prompt({PromptAnswer::kCancel});
  EXPECT_EQ(AcquireSingleInstance(name, &prompt), nullptr);
  EXPECT_EQ(prompt.asked, 1);
  EXPECT_EQ(prompt.last_text, SingleInstancePromptText());
  EXPECT_EQ(prompt.last_caption, L"Installation Tips");
}

TEST(SingleInstanceTest, TryAgainAsksAgainWhileTheOtherCopyRuns) {
  const std::wstring name = UniqueInstanceName(L"retry");
  auto other = InstanceLock::TryAcquire(name);
  ASSERT_NE(other, nullptr);
  FakePrompt prompt({PromptAnswer::kRetry, PromptAnswer::kRetry, PromptAnswer::kCancel});
  EXPECT_EQ(AcquireSingleInstance(name, &prompt), nullptr);
  EXPECT_EQ(prompt.asked, 3);
}

TEST(SingleInstanceTest, TryAgainAfterTheOtherCopyEndedProceeds) {
  const std::wstring name = UniqueInstanceName(L"proceed");
  auto other = InstanceLock::TryAcquire(name);
  ASSERT_NE(other, nullptr);
  FakePrompt prompt({PromptAnswer::kRetry});
  prompt.before_answer = [&other] { other.reset(); };
  auto lock = AcquireSingleInstance(name, &prompt);
  EXPECT_NE(lock, nullptr);
  EXPECT_EQ(prompt.asked, 1);
  // And it is really held now.
  EXPECT_EQ(InstanceLock::TryAcquire(name), nullptr);
}

#if !defined(_WIN32)
class LinuxLockFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/lumacast-lock-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    had_old_ = old != nullptr;
    if (old) old_ = old;
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (had_old_) setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::string dir_, old_;
  bool had_old_ = false;
};

TEST_F(LinuxLockFileTest, PlantedLinkIsNotFollowed) {
  const std::string victim = dir_ + "/victim";
  { std::ofstream(victim) << "keep me"; }
  ASSERT_EQ(symlink(victim.c_str(), (dir_ + "/planted.lock").c_str()), 0);
  EXPECT_EQ(InstanceLock::TryAcquire(L"planted"), nullptr);
  std::ifstream file(victim);
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_EQ(content.str(), "keep me");
}

// Without $XDG_RUNTIME_DIR the lock goes to a folder of the user's own in the
// temporary folder, never to the shared temporary folder itself; a folder of
// that name that someone else made (or left open) is not used at all.
TEST_F(LinuxLockFileTest, WithoutRuntimeFolderOnlyAPrivateFolderIsUsed) {
  const char* old_tmp = std::getenv("TMPDIR");
  const std::string saved_tmp = old_tmp ? old_tmp : "";
  setenv("TMPDIR", dir_.c_str(), 1);
  unsetenv("XDG_RUNTIME_DIR");
  const std::string own = dir_ + "/lumacast-" + std::to_string(geteuid());

  {
    auto lock = InstanceLock::TryAcquire(L"private");
    ASSERT_NE(lock, nullptr);
    struct stat info;
    ASSERT_EQ(lstat(own.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(access((own + "/private.lock").c_str(), F_OK), 0);
    EXPECT_NE(access((dir_ + "/private.lock").c_str(), F_OK), 0);
  }
  // A runtime folder open to others is passed over for the private one.
  const std::string open_runtime = dir_ + "/open-runtime";
  ASSERT_EQ(mkdir(open_runtime.c_str(), 0700), 0);
  ASSERT_EQ(chmod(open_runtime.c_str(), 0777), 0);
  setenv("XDG_RUNTIME_DIR", open_runtime.c_str(), 1);
  EXPECT_NE(InstanceLock::TryAcquire(L"open"), nullptr);
  EXPECT_NE(access((open_runtime + "/open.lock").c_str(), F_OK), 0);
  unsetenv("XDG_RUNTIME_DIR");

  // Someone else's folder under our name: as root, one owned by "nobody";
  // as any user, one everybody may write.
  ASSERT_EQ(std::system(("rm -rf '" + own + "'").c_str()), 0);
  ASSERT_EQ(mkdir(own.c_str(), 0700), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(own.c_str(), 65534, 65534), 0);
  } else {
    ASSERT_EQ(chmod(own.c_str(), 0777), 0);
  }
  EXPECT_EQ(InstanceLock::TryAcquire(L"planted"), nullptr);
  EXPECT_NE(access((own + "/planted.lock").c_str(), F_OK), 0);
  EXPECT_NE(access((dir_ + "/planted.lock").c_str(), F_OK), 0);

  if (old_tmp) setenv("TMPDIR", saved_tmp.c_str(), 1);
  else unsetenv("TMPDIR");
}
#endif

}  // namespace
