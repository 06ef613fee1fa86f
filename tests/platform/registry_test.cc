#include "platform/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>
#include <vector>

#include "tests/support/fresh_user.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/registry_store.h"
#endif

TEST(RegistryTest, WritesReadBackAndMissingReadsEmpty) {
  FreshUser user;
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), L"");
  ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"InstallerPath", L"C:\\Program \"Files\"\n\u00e9"));
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), L"C:\\Program \"Files\"\n\u00e9");
  ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"InstallerPath", L""));
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), L"");
  EXPECT_EQ(ReadRegistryString(L"Software\\LumaCast\\Nothing", L"InstallerPath"), L"");
}

TEST(RegistryTest, UninstallEntriesInBothViews) {
  FreshUser user;
  const std::wstring sub = L"LumaCastTestEntry";
  ASSERT_TRUE(WriteUninstallValue(kRegistryView64, sub, L"DisplayName", L"LumaCast 2"));
  std::vector<std::wstring> names;
  ASSERT_TRUE(EnumerateUninstallEntries(kRegistryView64, &names));
  EXPECT_NE(std::find(names.begin(), names.end(), sub), names.end());
  std::wstring value;
  EXPECT_TRUE(ReadUninstallValue(kRegistryView64, sub, L"DisplayName", &value));
  EXPECT_EQ(value, L"LumaCast 2");
  EXPECT_TRUE(DeleteUninstallEntry(kRegistryView64, sub));
  EXPECT_FALSE(ReadUninstallValue(kRegistryView64, sub, L"DisplayName", &value));
}

#if defined(_WIN32)

TEST(RegistryTest, ValueLongerThanTheBufferReadsEmpty) {
  FreshUser user;
  ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"InstallerPath", std::wstring(259, L'a')));
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath").size(), 259u);  // 520 bytes fit
  ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"InstallerPath", std::wstring(300, L'a')));
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerPath"), L"");
}

#else

TEST(RegistryStoreTest, OnlyWellFormedTextParses) {
  report::RegistryStore::Contents contents = {
      {L"A\\B", {{L"n", L"quote \" backslash \\ tab \t"}, {L"", L""}}}, {L"C", {}}};
  report::RegistryStore::Contents back;
  std::string text = report::RegistryStore::Serialize(contents);
  ASSERT_TRUE(report::RegistryStore::Parse(text, &back));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].values, contents[0].values);
  EXPECT_FALSE(report::RegistryStore::Parse(text.substr(0, text.size() - 1), &back));  // cut off
  EXPECT_FALSE(report::RegistryStore::Parse("key \"x\"\n", &back));                  // no header
  EXPECT_FALSE(report::RegistryStore::Parse(text + "value \"a\" \"\xff\"\n", &back));  // bad UTF-8
}

TEST(RegistryStoreTest, KeysAndNamesIgnoreCaseAndSubkeysAreListed) {
  FreshUser user;
  report::RegistryStore store((user.dir() / "s.reg").string());
  ASSERT_TRUE(store.Write(L"Root\\One", L"Name", L"1"));
  ASSERT_TRUE(store.Write(L"root\\one\\", L"NAME", L"2"));
  ASSERT_TRUE(store.Write(L"Root\\Two\\Deep", L"x", L"3"));
  std::wstring value;
  EXPECT_TRUE(store.Read(L"ROOT\\ONE", L"name", &value));
  EXPECT_EQ(value, L"2");
  std::vector<std::wstring> names;
  ASSERT_TRUE(store.Subkeys(L"Root", &names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"One", L"Two"}));
  EXPECT_FALSE(store.Subkeys(L"Nowhere", &names));
  ASSERT_TRUE(store.DeleteKey(L"Root\\Two"));
  ASSERT_TRUE(store.Subkeys(L"Root", &names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"One"}));
}

TEST(RegistryStoreTest, CorruptFileReadsEmptyAndIsKeptAsideOnWrite) {
  FreshUser user;
  report::RegistryStore store = report::RegistryStore::CurrentUser();
  ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"UniqueId", L"OLD"));
  { std::ofstream(store.path(), std::ios::app) << "garbage line\n"; }

  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"UniqueId"), L"");
  ASSERT_TRUE(WriteRegistryString(kAppInfoKey, L"InstallerChannel", L"default"));
  EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"InstallerChannel"), L"default");

  int aside = 0;
  for (const auto& entry : std::filesystem::directory_iterator(user.dir() / "config/lumacast")) {
    std::string name = entry.path().filename().string();
    if (name.rfind("hkcu.reg.corrupt-", 0) != 0) continue;
    ++aside;
    std::ifstream in(entry.path());
    std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(old.find("OLD"), std::string::npos);
  }
  EXPECT_EQ(aside, 1);
}

// Files beside the store whose names start with "<store>.corrupt-".
int CountSetAside(const report::RegistryStore& store) {
  const std::filesystem::path path(store.path());
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
    if (entry.path().filename().string().rfind(path.filename().string() + ".corrupt-", 0) == 0) ++count;
  }
  return count;
}

// A store that cannot be read for a passing reason is left alone: the write
// fails and the values stay, instead of being moved aside as damaged.
TEST(RegistryStoreTest, ReadErrorsFailTheWriteAndKeepTheStore) {
  FreshUser user;
  report::RegistryStore store((user.dir() / "s.reg").string());
  ASSERT_TRUE(store.Write(L"Software\\LumaCast\\AppInfo", L"UniqueId", L"ID-1"));
  ASSERT_TRUE(store.Write(L"Software\\LumaCast\\AppInfo", L"InstallerPath", L"/opt/x"));

  // Out of descriptors: one left, taken by the write lock, so the store
  // itself cannot be opened (EMFILE).
  {
    struct rlimit old_limit;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old_limit), 0);
    struct rlimit low = old_limit;
    low.rlim_cur = 256;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> filler;
    for (int i = 0; i < 256; ++i) {
      int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
      if (fd < 0) break;
      filler.push_back(fd);
    }
    ASSERT_FALSE(filler.empty());
    close(filler.back());
    filler.pop_back();
    const bool written = store.Write(L"Software\\LumaCast\\AppInfo", L"InstallerChannel", L"beta");
    for (int fd : filler) close(fd);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &old_limit), 0);
    EXPECT_FALSE(written);
  }
  // A read error from the file system (EISDIR stands in for EIO).
  report::RegistryStore folder((user.dir() / "folder.reg").string());
  std::filesystem::create_directories(folder.path());
  EXPECT_FALSE(folder.Write(L"Software\\LumaCast", L"x", L"1"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path()));
  // No permission (root reads anything, so only as another user).
  if (geteuid() != 0) {
    std::filesystem::permissions(store.path(), std::filesystem::perms::none);
    EXPECT_FALSE(store.Write(L"Software\\LumaCast\\AppInfo", L"InstallerChannel", L"beta"));
    std::filesystem::permissions(store.path(), std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_write);
  }

  std::wstring value;
  EXPECT_TRUE(store.Read(L"Software\\LumaCast\\AppInfo", L"UniqueId", &value));
  EXPECT_EQ(value, L"ID-1");
  EXPECT_TRUE(store.Read(L"Software\\LumaCast\\AppInfo", L"InstallerPath", &value));
  EXPECT_EQ(value, L"/opt/x");
  EXPECT_FALSE(store.Read(L"Software\\LumaCast\\AppInfo", L"InstallerChannel", &value));
  EXPECT_EQ(CountSetAside(store), 0);
  EXPECT_EQ(CountSetAside(folder), 0);
}

TEST(RegistryStoreTest, ConcurrentWritersKeepEveryValue) {
  FreshUser user;
  constexpr int kWriters = 4, kValues = 25;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([w] {
      for (int i = 0; i < kValues; ++i) {
        WriteRegistryString(kAppInfoKey, L"v" + std::to_wstring(w * 100 + i), L"x");
      }
    });
  }
  for (auto& t : writers) t.join();
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kValues; ++i) {
      EXPECT_EQ(ReadRegistryString(kAppInfoKey, L"v" + std::to_wstring(w * 100 + i)), L"x");
    }
  }
}

#endif
