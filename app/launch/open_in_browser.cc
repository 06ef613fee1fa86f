#include "app/launch/open_in_browser.h"

namespace {

bool IsTrimmed(wchar_t c) { return c == L' ' || c < 30; }

}  // namespace

std::wstring TrimUrl(const std::wstring& url) {
  size_t begin = 0;
  size_t end = url.size();
  while (begin < end && IsTrimmed(url[begin])) ++begin;
  while (end > begin && IsTrimmed(url[end - 1])) --end;
  return url.substr(begin, end - begin);
}

bool OpenInBrowser(const std::wstring& url) { return OpenTrimmedUrl(TrimUrl(url)); }
