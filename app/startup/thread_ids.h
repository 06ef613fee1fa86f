// Identifiers under which the installer's framework threads register with
// nbase::ThreadRegistry. Any thread posts work to another by these numbers.
// 1, 3, 4 and 5 are not used.
#pragma once

constexpr int kUiThreadId = 0;    // "MainThread": the process's first thread, UI loop
constexpr int kMiscThreadId = 2;  // "Global Misc Thread": download and setup run
constexpr int kHttpThreadId = 6;  // "http Thread": event reports, one after another
