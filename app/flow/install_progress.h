// InstallProgress: the single progress figure of the installing page.
//
// During the download the figure follows the downloaded share (up to 90.0 %);
// during the silent setup, which reports nothing, it creeps on with every
// 200 ms tick: +3 tenths up to 95.0 %, then +2, capped at 99.9 %. A download
// that is still running 10 s after it started raises the slow-download alert
// once. The figure never goes down within one install: a new attempt's
// download share starts from 0, but the bar keeps the last value it showed
// until a new install (value 10) starts. Pure logic on the UI thread: the caller supplies the clock and the
// download share and draws the `Frame` it gets back.
#pragma once

#include <cstdint>
#include <string>

#include "app/context/installer_state.h"

class InstallProgress {
 public:
  struct Frame {
    int bar = 0;             // value of "progress_install", 0..99
    std::wstring label;      // text of "progress_install_value"
    bool show_alert = false; // show "downloadAlert" now
  };

  // `value` 0 is a timer tick; 10 starts a new install (figure back to 1.0 %,
  // slow-download clock restarted); any other value raises the figure to it. `now_ms` is a 32-bit millisecond tick
  // count; `download_share` the download's tenths of a percent. Returns false,
  // changing nothing, in states that draw no progress.
  bool Update(InstallerState state, int value, uint32_t now_ms, int32_t download_share, Frame* frame);

  // Tenths of a percent, 0..999.
  int progress() const { return progress_; }

 private:
  int progress_ = 0;
  uint32_t progressStartTick_ = 0;
  bool slowAlertShown_ = false;
};

// "Installing, please don't close it：45.3%" for a figure of 453.
std::wstring ProgressLabel(int progress);
