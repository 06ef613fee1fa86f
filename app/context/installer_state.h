// The page state of the installer: which page is up and what the flow waits
// for. Kept by the install flow on the UI thread; the values are fixed because
// tests and diagnostics print them.
#pragma once

enum InstallerState : int {
  kStateWelcome = 0,
  kStateDownloading = 1,
  kStateInstalling = 2,
  kStateInstalled = 3,
  kStateDownloadFailed = 4,
  kStateProductRunning = 5,  // a question box about the running product is up
  kStateInstallFailed = 6,
};
