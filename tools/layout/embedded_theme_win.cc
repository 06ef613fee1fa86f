#include "tools/layout/embedded_theme.h"

#include <windows.h>

namespace lumacast_layout {

bool EmbeddedTheme(const void** data, size_t* size) {
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(136), L"THEME");
  if (!info) return false;
  HGLOBAL block = LoadResource(nullptr, info);
  if (!block) return false;
  *data = LockResource(block);
  *size = SizeofResource(nullptr, info);
  return *data != nullptr && *size > 0;
}

}  // namespace lumacast_layout
