#include "app/launch/open_in_browser.h"

#include "app/setup/process_control.h"

bool OpenTrimmedUrl(const std::wstring& url) {
  return StartDetachedProcess(LaunchCommand{L"xdg-open", {url}}) ||
         StartDetachedProcess(LaunchCommand{L"x-www-browser", {url}});
}
