#include "app/context/installer_context.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/context/folder_path.h"
#include "base/file_util.h"
#include "platform/registry.h"
#include "tests/support/fresh_user.h"

namespace {

constexpr wchar_t kSep = nbase::kPathSeparator;

// Folders inside the scratch folder, a channel, and free space that is
// plentiful except on folders listed as short.
struct FakeSystem {
  explicit FakeSystem(const FreshUser& user) : root(user.wdir()) {}

  InstallerEnvironment Environment() {
    InstallerEnvironment env;
    env.specialFolder = [this](int csidl) {
      switch (csidl) {
        case kFolderProgramFilesX86: return root + kSep + L"programs";
        case kFolderRoamingAppData: return root + kSep + L"roaming";
        case kFolderDesktop: return root + kSep + L"desktop";
        case kFolderDocuments: return root + kSep + L"documents";
      }
      return std::wstring();
    };
    env.tempFolder = [this] { return root + kSep + L"temp" + kSep; };
    env.freeSpace = [this](const std::wstring& folder, uint64_t* bytes) {
      probed.push_back(folder);
      *bytes = shortOfSpace.count(folder) ? InstallerContext::kRequiredFreeBytes - 1
                                          : InstallerContext::kRequiredFreeBytes;
      return true;
    };
    env.readChannel = [this](std::wstring* out) {
      if (!hasChannel) return false;
      *out = channel;
      return true;
    };
    return env;
  }

  std::wstring root;
  std::wstring channel = L"google_search";
  bool hasChannel = true;
  std::set<std::wstring> shortOfSpace;
  std::vector<std::wstring> probed;
};

}  // namespace

TEST(InstallerContextTest, FreshInstallDefaults) {
  FreshUser user;
  FakeSystem system(user);
  InstallerContext context(system.Environment());
  EXPECT_EQ(context.channel, L"google_search");
  EXPECT_EQ(context.installDir, system.root + kSep + L"programs" + kSep + L"Brightvale" + kSep +
                                    L"LumaCast");
  EXPECT_FALSE(context.installedBefore);
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerChannel"), L"google_search");
  EXPECT_NE(context.packageUrl.find(
                L"/caller?a=downloadPackage&c=site&package=com.brightvale.lumacast&channel="
                L"google_search"),
            std::wstring::npos);
  EXPECT_EQ(context.downloadDir, system.root + kSep + L"roaming" + kSep + L"Brightvale" + kSep +
                                     L"LumaCast" + kSep + L"Files" + kSep);
  EXPECT_EQ(context.setupFilePath, context.downloadDir + L"LumaCast.exe");
  EXPECT_FALSE(nbase::PathExists(context.setupFilePath));  // the probe file is gone again
}

TEST(InstallerContextTest, UpgradeChannelsAreNotRecorded) {
  for (const wchar_t* channel : {L"upgrade", L"x_upgrade_y", L"site_upgrade"}) {
    FreshUser user;
    FakeSystem system(user);
    system.channel = channel;
    InstallerContext context(system.Environment());
    EXPECT_EQ(context.channel, channel);
    EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerChannel"), L"") << channel;
  }
  FreshUser user;
  FakeSystem system(user);
  system.hasChannel = false;
  InstallerContext context(system.Environment());
  EXPECT_EQ(context.channel, L"default");
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerChannel"), L"default");
  EXPECT_NE(context.packageUrl.find(L"&channel=default"), std::wstring::npos);
}

TEST(InstallerContextTest, RecordedInstallFolderCountsOnlyWithTheProduct) {
  FreshUser user;
  FakeSystem system(user);
  std::wstring recorded = system.root + kSep + L"Old Place";
  ASSERT_TRUE(nbase::CreateDirectoryRecursive(recorded));
  ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"InstallerPath", recorded));
  {
    InstallerContext context(system.Environment());
    EXPECT_EQ(context.installDir, recorded);
    EXPECT_FALSE(context.installedBefore);
  }
  std::ofstream((std::filesystem::path(recorded) / "lumacast.exe").string()) << "MZ";
  InstallerContext context(system.Environment());
  EXPECT_TRUE(context.installedBefore);
}

TEST(InstallerContextTest, DownloadFolderFallsBackInOrder) {
  FreshUser user;
  FakeSystem system(user);
  std::wstring roaming = system.root + kSep + L"roaming" + kSep + L"Brightvale" + kSep +
                         L"LumaCast" + kSep + L"Files";
  std::wstring temp = system.root + kSep + L"temp" + kSep + L"LumaCastInstaller";
  std::wstring desktop = system.root + kSep + L"desktop";
  system.shortOfSpace = {roaming, temp};
  // The documents folder exists as a file, so it can never be a folder.
  std::ofstream((user.dir() / "documents").string()) << "not a folder";
  {
    InstallerContext context(system.Environment());
    EXPECT_EQ(context.downloadDir, desktop + kSep);
    EXPECT_EQ(system.probed, (std::vector<std::wstring>{roaming, temp, desktop}));
  }
  system.shortOfSpace.insert(desktop);
  system.probed.clear();
  InstallerContext context(system.Environment());
  // Every candidate failed: the last resort is used as it is.
#if defined(_WIN32)
  EXPECT_EQ(context.downloadDir, L"c:\\Temp\\");
#else
  EXPECT_EQ(context.downloadDir, L"/tmp/");
#endif
  EXPECT_EQ(context.setupFilePath, context.downloadDir + L"LumaCast.exe");
}

// A system folder that cannot be found (or whose path cannot be read) never
// turns into "<nothing>/Brightvale/LumaCast", i.e. a folder at the root: the
// install folder stays empty (the setup is refused later) and the download
// candidate is skipped.
TEST(InstallerContextTest, FailedFolderQueriesNeverBecomeTheRoot) {
  FreshUser user;
  FakeSystem system(user);
  InstallerEnvironment env = system.Environment();
  const auto real = env.specialFolder;
  env.specialFolder = [real](int csidl) {
    return csidl == kFolderProgramFilesX86 || csidl == kFolderRoamingAppData ? std::wstring() : real(csidl);
  };
  InstallerContext context(env);
  EXPECT_EQ(context.installDir, L"");
  EXPECT_EQ(context.downloadDir, system.root + kSep + L"temp" + kSep + L"LumaCastInstaller" + kSep);
  for (const std::wstring& probed : system.probed) EXPECT_NE(probed.rfind(system.root, 0), std::wstring::npos);
#if !defined(_WIN32)
  // Linux: an XDG folder that is not valid UTF-8 cannot be passed on, so it
  // counts as not found.
  setenv("XDG_DATA_HOME", (user.dir() / "data-\xff").c_str(), 1);
  EXPECT_EQ(SpecialFolderPath(kFolderProgramFilesX86), L"");
  InstallerContext real_system;
  EXPECT_EQ(real_system.installDir, L"");
  EXPECT_FALSE(nbase::PathExists(L"/Brightvale"));
#endif
}

// A download folder whose setup path would reach the system's path limit is
// skipped: the file would download and then never start.
TEST(InstallerContextTest, DownloadCandidateAtThePathLimitIsSkipped) {
  FreshUser user;
  FakeSystem system(user);
  InstallerEnvironment env = system.Environment();
  const std::wstring files = kSep + std::wstring(L"Brightvale") + kSep + L"LumaCast" + kSep + L"Files";
  const std::wstring tail = files + kSep + L"LumaCast.exe";
  // A roaming folder just long enough for the setup path to reach the limit.
  const std::wstring roaming = system.root + kSep +
                               std::wstring(PathLengthLimit() - system.root.size() - 1 - tail.size(), L'r');
  ASSERT_TRUE(ReachesPathLimit(roaming + tail));
  ASSERT_FALSE(ReachesPathLimit(roaming.substr(0, roaming.size() - 1) + tail));
  const auto real = env.specialFolder;
  env.specialFolder = [&](int csidl) { return csidl == kFolderRoamingAppData ? roaming : real(csidl); };
  InstallerContext context(env);
  EXPECT_EQ(context.downloadDir, system.root + kSep + L"temp" + kSep + L"LumaCastInstaller" + kSep);
  EXPECT_FALSE(nbase::PathExists(roaming)) << "the skipped candidate was created";
}

// Free space is asked of the folder itself: a folder that is not there has
// none to offer, even on a drive that has plenty.
TEST(InstallerContextTest, FreeSpaceIsMeasuredAtTheFolderItself) {
  FreshUser user;
  uint64_t bytes = 0;
  EXPECT_TRUE(FreeDiskSpace(user.wdir(), &bytes));
  EXPECT_GT(bytes, 0u);
  EXPECT_FALSE(FreeDiskSpace(user.wdir() + kSep + L"missing" + kSep + L"folder", &bytes));
}

#if !defined(_WIN32)
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// A download folder on a file system that forbids starting programs (noexec,
// common for /tmp) is skipped for the next candidate. Mounting needs a mount
// namespace of its own, so the check runs in a child process.
TEST(InstallerContextTest, NoexecDownloadFolderIsSkipped) {
  FreshUser user;
  FakeSystem system(user);
  const std::filesystem::path mount_point = user.dir() / "roaming";
  std::filesystem::create_directories(mount_point);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", mount_point.c_str(), "tmpfs", MS_NOEXEC, "size=600m") != 0) {
      _exit(77);  // no right to mount here
    }
    InstallerContext context(system.Environment());
    const std::wstring expected = system.root + kSep + L"temp" + kSep + L"LumaCastInstaller" + kSep;
    _exit(context.downloadDir == expected ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot mount a noexec file system here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the noexec folder was chosen";
}

// A download folder where someone else could swap the setup file before it
// runs (shared without the sticky bit, or another user's) is passed by for
// the next candidate, as the download itself would refuse it; one shared
// with the sticky bit, like /tmp, is used.
TEST(InstallerContextTest, UnsafeDownloadFolderIsPassedBy) {
  namespace fs = std::filesystem;
  FreshUser user;
  FakeSystem system(user);
  const fs::path first = user.dir() / "roaming" / "Brightvale" / "LumaCast" / "Files";
  const std::wstring next = system.root + kSep + L"temp" + kSep + L"LumaCastInstaller" + kSep;
  fs::create_directories(first);
  struct Case {
    const char* what;
    mode_t mode;
    bool foreign;
    bool used;
  } cases[] = {
      {"shared without sticky bit", 0777, false, false},
      {"another user's, shared", 0777, true, false},
      {"another user's, private", 0755, true, false},
      {"shared with sticky bit", 01777, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.foreign && geteuid() != 0) continue;  // only root can give a folder away
    ASSERT_EQ(chown(first.c_str(), c.foreign ? 65534 : geteuid(), static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(chmod(first.c_str(), c.mode), 0);
    InstallerContext context(system.Environment());
    EXPECT_EQ(context.downloadDir, c.used ? first.wstring() + kSep : next);
  }
}
#endif
