#include "app/context/installer_context.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

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
