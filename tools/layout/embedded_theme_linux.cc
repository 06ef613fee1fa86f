#include "tools/layout/embedded_theme.h"

extern "C" const unsigned char lumacast_res_THEME_136_begin[];
extern "C" const unsigned char lumacast_res_THEME_136_end[];

namespace lumacast_layout {

bool EmbeddedTheme(const void** data, size_t* size) {
  *data = lumacast_res_THEME_136_begin;
  *size = static_cast<size_t>(lumacast_res_THEME_136_end - lumacast_res_THEME_136_begin);
  return *size > 0;
}

}  // namespace lumacast_layout
