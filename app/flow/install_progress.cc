#include "app/flow/install_progress.h"

#include <algorithm>

#include "base/string_util.h"

namespace {

constexpr int kStartValue = 10;
constexpr int kDownloadCap = 900;
constexpr int kFastCreepLimit = 950;
constexpr int kProgressCap = 999;
constexpr uint32_t kSlowDownloadMs = 10000;

}  // namespace

bool InstallProgress::Update(InstallerState state, int value, uint32_t now_ms, int32_t download_share,
                             Frame* frame) {
  if (state != kStateDownloading && state != kStateInstalling) return false;
  frame->show_alert = false;
  if (value == kStartValue) {
    // A new install (first start or a retry from the failure page): the only
    // moment the figure may go down.
    progressStartTick_ = now_ms;
    slowAlertShown_ = false;
    progress_ = value;
  } else if (value != 0) {
    progress_ = std::max(progress_, value);
  } else {
    if (state == kStateDownloading) {
      // Unsigned difference: correct across the 49.7-day tick wrap.
      if (!slowAlertShown_ && now_ms - progressStartTick_ > kSlowDownloadMs) {
        frame->show_alert = true;
        slowAlertShown_ = true;
      }
      // Each attempt's share starts again from 0; the bar keeps what it showed.
      progress_ = std::max(progress_, std::min(download_share, kDownloadCap));
    } else {
      progress_ += progress_ <= kFastCreepLimit ? 3 : 2;
    }
    if (progress_ > kProgressCap) progress_ = kProgressCap;
  }
  frame->bar = progress_ / 10;
  frame->label = ProgressLabel(progress_);
  return true;
}

std::wstring ProgressLabel(int progress) {
  return nbase::StringPrintf(L"Installing, please don't close it\uFF1A%0.1f%%", progress / 10.0);
}
