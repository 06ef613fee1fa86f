#include "app/launch/open_in_browser.h"

#include "app/setup/process_control.h"

void OpenTrimmedUrl(const std::wstring& url) {
  if (!StartDetachedProcess(LaunchCommand{L"xdg-open", {url}})) {
    StartDetachedProcess(LaunchCommand{L"x-www-browser", {url}});
  }
}
