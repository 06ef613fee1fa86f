#include "base/file_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include "base/string_util.h"
#include "base/utf.h"

namespace nbase {
namespace {

// A fresh folder under the build tree (as a wide path), removed by nobody: the
// build tree is disposable and each run uses its own name.
std::wstring ScratchRoot(const char* name) {
  static int counter = 0;
  std::string narrow = StringPrintf("%s/nbase_files_%s_%d_%d", LUMACAST_BINARY_DIR, name,
                                    static_cast<int>(std::time(nullptr)), ++counter);
  std::wstring wide = UTF8ToWide(narrow);
  for (wchar_t& c : wide)
    if (c == L'/') c = kPathSeparator;
  return wide;
}

void WriteBytes(const std::wstring& path, size_t count) {
#if defined(_WIN32)
  FILE* f = _wfopen(path.c_str(), L"wb");
#else
  FILE* f = fopen(NativePath(path).c_str(), "wb");
#endif
  ASSERT_NE(f, nullptr);
  std::string bytes(count, 'x');
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

TEST(FileUtilTest, CreatesEveryMissingLevelAndAcceptsExisting) {
  std::wstring root = ScratchRoot("mkdir");
  std::wstring deep = root + kPathSeparator + L"a" + kPathSeparator + L"b\u00E9" + kPathSeparator + L"c";
  EXPECT_FALSE(DirectoryExists(root));
  EXPECT_TRUE(CreateDirectoryRecursive(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDirectoryRecursive(deep));                     // existing counts
  EXPECT_TRUE(CreateDirectoryRecursive(root + kPathSeparator));     // trailing separator
  EXPECT_TRUE(CreateDirectoryRecursive(deep + kPathSeparator + L"d" + kPathSeparator));
  EXPECT_TRUE(DirectoryExists(deep + kPathSeparator + L"d"));
  EXPECT_FALSE(CreateDirectoryRecursive(L""));
}

TEST(FileUtilTest, FileInTheWayFails) {
  std::wstring root = ScratchRoot("blocked");
  ASSERT_TRUE(CreateDirectoryRecursive(root));
  std::wstring file = root + kPathSeparator + L"file";
  WriteBytes(file, 3);
  EXPECT_FALSE(CreateDirectoryRecursive(file + kPathSeparator + L"sub"));
  EXPECT_FALSE(CreateDirectoryRecursive(file));
  EXPECT_TRUE(PathExists(file));
  EXPECT_FALSE(DirectoryExists(file));
}

TEST(FileUtilTest, FileSize) {
  std::wstring root = ScratchRoot("size");
  ASSERT_TRUE(CreateDirectoryRecursive(root));
  std::wstring file = root + kPathSeparator + L"LumaCast.exe";
  EXPECT_EQ(FileSize64(file), -1);
  WriteBytes(file, 0);
  EXPECT_EQ(FileSize64(file), 0);
  WriteBytes(file, 70000);
  EXPECT_EQ(FileSize64(file), 70000);
  EXPECT_EQ(FileSize64(root), -1);  // a folder has no file size
}

TEST(FileUtilTest, RemoveFileRemovesFilesOnly) {
  std::wstring root = ScratchRoot("remove");
  ASSERT_TRUE(CreateDirectoryRecursive(root));
  std::wstring file = root + kPathSeparator + L"LumaCast.exe";
  WriteBytes(file, 3);
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(PathExists(file));
  EXPECT_TRUE(RemoveFile(file));   // already gone counts
  EXPECT_FALSE(RemoveFile(root));  // a folder stays
  EXPECT_TRUE(DirectoryExists(root));
}

}  // namespace
}  // namespace nbase
