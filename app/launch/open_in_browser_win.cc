#include "app/launch/open_in_browser.h"

#include <windows.h>
#include <shellapi.h>

void OpenTrimmedUrl(const std::wstring& url) {
  HINSTANCE result = ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOW);
  if (reinterpret_cast<INT_PTR>(result) <= 32) {
    ::ShellExecuteW(nullptr, L"open", L"IEXPLORE.EXE", url.c_str(), nullptr, SW_SHOW);
  }
}
