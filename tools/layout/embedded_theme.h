// The theme archive linked into lumacast-layout (resource "THEME" 136 on
// Windows, the same blob as read-only data elsewhere).
#pragma once

#include <cstddef>

namespace lumacast_layout {

// The archive bytes, or false when the program carries none.
bool EmbeddedTheme(const void** data, size_t* size);

}  // namespace lumacast_layout
