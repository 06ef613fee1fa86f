#include "platform/embedded_resources.h"

#include <cwchar>

// Defined by the assembler file that lumacast_embed_resources() generates for
// the program. Weak: a program built without a blob links, and sees null.
extern "C" {
extern const unsigned char lumacast_res_THEME_136_begin[] __attribute__((weak));
extern const unsigned char lumacast_res_THEME_136_end[] __attribute__((weak));
extern const unsigned char lumacast_res_CHANNEL_138_begin[] __attribute__((weak));
extern const unsigned char lumacast_res_CHANNEL_138_end[] __attribute__((weak));
}

namespace {

struct EmbeddedBlob {
  int id;
  const wchar_t* type;
  const unsigned char* begin;
  const unsigned char* end;
};

}  // namespace

bool FindEmbeddedResource(int id, const wchar_t* type, const void** data, size_t* size) {
  const EmbeddedBlob blobs[] = {
      {kThemeResourceId, kThemeResourceType, lumacast_res_THEME_136_begin,
       lumacast_res_THEME_136_end},
      {kChannelResourceId, kChannelResourceType, lumacast_res_CHANNEL_138_begin,
       lumacast_res_CHANNEL_138_end},
  };
  if (!type) return false;
  // Resource type names compare ignoring case, as on Windows.
  for (const EmbeddedBlob& blob : blobs) {
    if (blob.id != id || wcscasecmp(blob.type, type) != 0) continue;
    if (!blob.begin || !blob.end) return false;
    *data = blob.begin;
    *size = static_cast<size_t>(blob.end - blob.begin);
    return true;
  }
  return false;
}
