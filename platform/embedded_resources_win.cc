#include "platform/embedded_resources.h"

#include <windows.h>

bool FindEmbeddedResource(int id, const wchar_t* type, const void** data, size_t* size) {
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
  if (!info) return false;
  HGLOBAL loaded = LoadResource(nullptr, info);
  if (!loaded) return false;
  const void* bytes = LockResource(loaded);
  if (!bytes) return false;
  *data = bytes;
  *size = SizeofResource(nullptr, info);
  return true;
}
