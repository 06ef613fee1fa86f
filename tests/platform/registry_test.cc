#include "platform/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>
#include <vector>

#include "tests/support/fresh_user.h"

#if !defined(_WIN32)
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
