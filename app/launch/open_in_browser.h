// Opens a web page in the user's browser (UI thread; returns at once).
//
// The address is trimmed first: spaces and control characters (codes below 30)
// at either end are dropped. Windows asks the shell to open it and falls back
// once to the system browser executable; Linux hands it to xdg-open. Failures
// are ignored: the installer has nothing better to offer.
#pragma once

#include <string>

std::wstring TrimUrl(const std::wstring& url);
void OpenInBrowser(const std::wstring& url);

// Platform half: opens an already trimmed address.
void OpenTrimmedUrl(const std::wstring& url);
