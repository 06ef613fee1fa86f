#include "app/launch/open_in_browser.h"

#include <windows.h>
#include <shellapi.h>

bool OpenTrimmedUrl(const std::wstring& url) {
  // ShellExecuteW succeeded when it returns more than 32.
  auto opened = [](HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; };
  return opened(::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOW)) ||
         opened(::ShellExecuteW(nullptr, L"open", L"IEXPLORE.EXE", url.c_str(), nullptr, SW_SHOW));
}
