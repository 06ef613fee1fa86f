// Opens a web page in the user's browser (UI thread; returns at once).
//
// The address is trimmed first: spaces and control characters (codes below 30)
// at either end are dropped. Windows asks the shell to open it and falls back
// once to the system browser executable; Linux hands it to xdg-open (or
// x-www-browser). False when nothing could be started to open it, so the
// caller can show the address instead.
#pragma once

#include <string>

std::wstring TrimUrl(const std::wstring& url);
bool OpenInBrowser(const std::wstring& url);

// Platform half: opens an already trimmed address.
bool OpenTrimmedUrl(const std::wstring& url);
