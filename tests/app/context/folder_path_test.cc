// Folder texts handed to the setup and recorded: absolute, tidy, and within
// the system's path limit.
#include "app/context/folder_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/context/installer_context.h"
#include "base/file_util.h"

namespace {

using folder_path_internal::TidyAbsolutePath;

TEST(FolderPathTest, TidiesAbsolutePathsOfBothSystems) {
  EXPECT_EQ(TidyAbsolutePath(L"/", L'/'), L"/");
  EXPECT_EQ(TidyAbsolutePath(L"//a///b//", L'/'), L"/a/b");
  EXPECT_EQ(TidyAbsolutePath(L"/a/./b/../c/", L'/'), L"/a/c");
  EXPECT_EQ(TidyAbsolutePath(L"/../..", L'/'), L"/");
  EXPECT_EQ(TidyAbsolutePath(L"/Program Files/Bright vale", L'/'), L"/Program Files/Bright vale");
  EXPECT_EQ(TidyAbsolutePath(L"C:\\", L'\\'), L"C:\\");
  EXPECT_EQ(TidyAbsolutePath(L"C:\\a\\\\b\\", L'\\'), L"C:\\a\\b");
  EXPECT_EQ(TidyAbsolutePath(L"C:\\a\\..\\..\\b", L'\\'), L"C:\\b");
  EXPECT_EQ(TidyAbsolutePath(L"\\\\server\\share\\x\\\\y\\", L'\\'), L"\\\\server\\share\\x\\y");
}

TEST(FolderPathTest, RelativeFoldersBecomeAbsoluteUnderTheCurrentFolder) {
  const std::wstring current = std::filesystem::current_path().wstring();
  const std::wstring sep(1, nbase::kPathSeparator);
  EXPECT_EQ(AbsoluteFolder(L"inst//dir" + sep), current + sep + L"inst" + sep + L"dir");
  EXPECT_EQ(AbsoluteFolder(L"."), current);
  EXPECT_EQ(AbsoluteFolder(L""), L"");
#if defined(_WIN32)
  // Forward slashes are the setup's undoing: they become backslashes.
  EXPECT_EQ(AbsoluteFolder(L"C:/Program Files//LumaCast/"), L"C:\\Program Files\\LumaCast");
#endif
}

TEST(FolderPathTest, InstallFolderIsRefusedWhenEmptyOrWhenTheProductPathReachesTheLimit) {
  const std::wstring sep(1, nbase::kPathSeparator);
  const std::wstring base = AbsoluteFolder(L"x");
  EXPECT_EQ(CheckInstallFolder(L"").problem, kNoInstallFolderText);
  EXPECT_TRUE(CheckInstallFolder(L"").folder.empty());

  // The longest folder whose "<folder><sep>lumacast.exe" stays below the limit.
  const size_t room = PathLengthLimit() - 1 - base.size() - sep.size() - std::wstring(kProductExecutable).size();
  const std::wstring longest = base + std::wstring(room, L'a');
  InstallFolderChoice fits = CheckInstallFolder(longest);
  EXPECT_TRUE(fits.ok()) << fits.problem.size();
  EXPECT_EQ(fits.folder, longest);
  EXPECT_FALSE(ReachesPathLimit(ProductExecutablePath(longest)));

  InstallFolderChoice too_long = CheckInstallFolder(longest + L"a");
  EXPECT_FALSE(too_long.ok());
  EXPECT_EQ(too_long.problem, kInstallFolderTooLongText);
  EXPECT_TRUE(too_long.folder.empty());
}

}  // namespace
