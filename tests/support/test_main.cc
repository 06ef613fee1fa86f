// The main() of every test program: each test process gets a user of its own
// before any test runs, so no test reads or writes the state of the person
// running them, and tests running side by side (ctest -j) never share it.
//
// Linux: HOME and the XDG_* folders point into a fresh private folder, removed
// at the end. Windows: HKEY_CURRENT_USER is redirected to a fresh key of its
// own under the test prefix's HKCU, deleted at the end. Programs the tests
// start inherit the Linux folders; under Wine they share the prefix's real
// HKCU, so tests that start programs hold the test server's lock too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

#if !defined(_WIN32)
std::string RandomTag() {
  std::random_device random;
  return std::to_string(random()) + std::to_string(random());
}
#endif

class OwnUserEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
#if defined(_WIN32)
    key_name_ = L"Software\\LumaCastTestUsers\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount());
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
      if (RegOverridePredefKey(HKEY_CURRENT_USER, key) == ERROR_SUCCESS) {
        key_ = key;
      } else {
        RegCloseKey(key);
      }
    }
#else
    std::error_code ec;
    dir_ = std::filesystem::temp_directory_path(ec) / ("lumacast-user-" + RandomTag());
    if (!std::filesystem::create_directory(dir_, ec)) {
      dir_.clear();
      return;
    }
    chmod(dir_.c_str(), 0700);
    const std::pair<const char*, const char*> folders[] = {
        {"HOME", "home"},           {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
        {"XDG_CACHE_HOME", "cache"}, {"XDG_STATE_HOME", "state"},  {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& [name, sub] : folders) {
      std::filesystem::create_directory(dir_ / sub, ec);
      chmod((dir_ / sub).c_str(), 0700);
      setenv(name, (dir_ / sub).c_str(), 1);
    }
#endif
  }

  void TearDown() override {
#if defined(_WIN32)
    if (key_) {
      RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
      RegCloseKey(key_);
      RegDeleteTreeW(HKEY_CURRENT_USER, key_name_.c_str());
      RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\LumaCastTestUsers");  // when it is empty
    }
#else
    if (!dir_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(dir_, ec);
    }
#endif
  }

 private:
#if defined(_WIN32)
  std::wstring key_name_;
  HKEY key_ = nullptr;
#else
  std::filesystem::path dir_;
#endif
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new OwnUserEnvironment);
  return RUN_ALL_TESTS();
}
