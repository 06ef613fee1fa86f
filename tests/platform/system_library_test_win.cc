#include "platform/system_library.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length);
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, length);
}

bool InSystemFolder(const std::wstring& path) {
  std::wstring folder = SystemFolder() + L"\\";
  return path.size() > folder.size() && _wcsnicmp(path.c_str(), folder.c_str(), folder.size()) == 0;
}

}  // namespace

TEST(SystemLibraryTest, LoadsOnlyFromTheSystemFolder) {
  void* module = LoadSystemLibrary(L"wintrust.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(InSystemFolder(ModulePath(static_cast<HMODULE>(module))));
  EXPECT_EQ(LoadSystemLibrary(L"lumacast-no-such-library.dll"), nullptr);
  EXPECT_EQ(LoadSystemLibrary(L""), nullptr);
}

// version.dll is delay-loaded into this test (as into the installer): the
// first call must bring it in, from the system folder.
TEST(SystemLibraryTest, DelayLoadedDllComesFromTheSystemFolder) {
  HardenDllSearchPath();
  DWORD ignored = 0;
  std::wstring kernel32 = SystemFolder() + L"\\kernel32.dll";
  EXPECT_GT(GetFileVersionInfoSizeW(kernel32.c_str(), &ignored), 0u);
  HMODULE version = GetModuleHandleW(L"version.dll");
  ASSERT_NE(version, nullptr);
  EXPECT_TRUE(InSystemFolder(ModulePath(version)));
}
