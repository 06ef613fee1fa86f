// Test helper: gives each test a user with no installer state and a private
// scratch folder. On Linux the registry stores and XDG folders move into the
// scratch folder; on Windows (run under a test Wine prefix) the installer's
// HKEY_CURRENT_USER key is deleted before and after the test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "platform/app_info.h"

class FreshUser {
 public:
  FreshUser() {
    std::random_device random;
    dir_ = std::filesystem::temp_directory_path() /
           ("lumacast-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(dir_);
#if defined(_WIN32)
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\LumaCast");
#else
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
#endif
    app_info_internal::ResetCachesForTesting();
  }
  ~FreshUser() {
#if defined(_WIN32)
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\LumaCast");
#endif
    app_info_internal::ResetCachesForTesting();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  const std::filesystem::path& dir() const { return dir_; }
  std::wstring wdir() const { return dir_.wstring(); }

 private:
  std::filesystem::path dir_;
};
