// Whether a download folder keeps the setup file ours.
//
// The installer writes a program into the download folder and later starts
// it with its own rights. Where someone else may replace or rename that file
// in between, the folder is unsafe: the probe that picks the download folder
// passes it by (the next candidate is used) and the download refuses to
// create the file there all the same.
//
// Linux: the folder must belong to the user or to root, and when others may
// write in it, the sticky bit must keep them from removing or renaming our
// files (as in /tmp). Windows: the folders the installer picks lie in the
// user's profile or are made by it; no check is made there.
//
// Any thread.
#pragma once

#include <cstdint>
#include <string>

// Judges the folder at `folder` (links followed); false when it is not a
// folder or cannot be looked at.
bool IsSafeDownloadFolder(const std::wstring& folder);

// The same judgement of a folder already open (Linux: a descriptor opened
// with O_DIRECTORY), so the folder judged is the folder written into.
bool IsSafeDownloadFolderHandle(intptr_t native_handle);
