// The real LumaCastInstaller.exe, started twice: the second copy shows the
// system prompt, and its answer decides what happens.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "config/build_config.h"
#include "app/startup/single_instance.h"

namespace {

// The build tree is seen by Wine through drive Z:.
std::wstring InstallerPath() {
  std::wstring path = L"Z:";
  for (const char* p = LUMACAST_INSTALLER_PATH; *p; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
  return path;
}

// One started copy; killed if a test leaves it running.
class Installer {
 public:
  bool Start() {
    std::wstring command = L"\"" + InstallerPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != FALSE;
  }
  ~Installer() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  // The exit code, or -1 when it has not ended within `ms`.
  long WaitForExit(DWORD ms) const {
    if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }
  // The orderly end: a quit message to the UI thread.
  void Quit() const { PostThreadMessageW(info_.dwThreadId, WM_QUIT, 0, 0); }
  DWORD pid() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
};

template <class Predicate>
bool WaitFor(Predicate predicate, DWORD ms = 20000) {
  const DWORD start = GetTickCount();
  while (!predicate()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(20);
  }
  return true;
}

bool MutexExists() {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kSingleInstanceName);
  if (!mutex) return false;
  CloseHandle(mutex);
  return true;
}

// The "Installation Tips" box of process `pid`, or null.
HWND FindPrompt(DWORD pid) {
  HWND box = nullptr;
  while ((box = FindWindowExW(nullptr, box, nullptr, kSingleInstanceCaption)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(box, &owner);
    if (owner == pid) return box;
  }
  return nullptr;
}

std::wstring MessageBoxText(HWND box) {
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);  // the message box's static text
  return text;
}

class InstallerProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(MutexExists()) << "another installer is running";
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(WaitFor(MutexExists)) << "the first copy never took the single-instance mutex";
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(WaitFor([this] { return (prompt = FindPrompt(second.pid())) != nullptr; }))
        << "the second copy showed no prompt";
  }

  Installer first, second;
  HWND prompt = nullptr;
};

TEST_F(InstallerProgramTest, SecondCopyAsksAndCancelEndsItWithZero) {
  EXPECT_EQ(MessageBoxText(prompt), SingleInstancePromptText());
  PostMessageW(prompt, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(second.WaitForExit(20000), 0);
  EXPECT_TRUE(first.Running());
  first.Quit();
  EXPECT_EQ(first.WaitForExit(20000), 0);
}

TEST_F(InstallerProgramTest, TryAgainAfterTheFirstCopyEndedProceeds) {
  first.Quit();
  ASSERT_EQ(first.WaitForExit(20000), 0);
  PostMessageW(prompt, WM_COMMAND, IDRETRY, 0);
  EXPECT_TRUE(WaitFor([this] { return FindPrompt(second.pid()) == nullptr; }));
  EXPECT_TRUE(WaitFor(MutexExists));
  Sleep(300);
  EXPECT_TRUE(second.Running());
  second.Quit();
  EXPECT_EQ(second.WaitForExit(20000), 0);
}

TEST(InstallerFileTest, CarriesManifestVersionThemeAndChannel) {
  const std::wstring path = InstallerPath();
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  auto resource = [module](LPCWSTR id, LPCWSTR type) {
    HRSRC info = FindResourceW(module, id, type);
    if (!info) return std::string();
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, info)));
    return std::string(bytes, SizeofResource(module, info));
  };
  const std::string manifest = resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
    EXPECT_NE(manifest.find(os), std::string::npos) << os;
  EXPECT_EQ(resource(MAKEINTRESOURCEW(136), L"THEME").substr(0, 2), "PK");
  EXPECT_EQ(resource(MAKEINTRESOURCEW(138), L"CHANNEL"), LUMACAST_CHANNEL_A);
  FreeLibrary(module);

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010006u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00020002u);
}

}  // namespace
