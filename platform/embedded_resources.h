// Read-only access to the blobs built into the program: the zipped theme
// ("THEME", 136) and the channel text ("CHANNEL", 138).
//
// On Windows they are resources of the program's own module; on Linux they are
// linked in as read-only data. Either way the bytes stay mapped for the life
// of the process. Any thread.
#pragma once

#include <cstddef>

constexpr int kThemeResourceId = 136;
constexpr wchar_t kThemeResourceType[] = L"THEME";
constexpr int kChannelResourceId = 138;
constexpr wchar_t kChannelResourceType[] = L"CHANNEL";

// Finds the blob `id` of type `type` in the running program. False (and the
// outputs untouched) when the program carries no such blob.
bool FindEmbeddedResource(int id, const wchar_t* type, const void** data, size_t* size);
