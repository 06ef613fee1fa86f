#include "tests/app/download/url_cache.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

int CachedCopiesOfSize(uint64_t size) {
  std::vector<char> buffer(64 * 1024);
  DWORD length = static_cast<DWORD>(buffer.size());
  auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  HANDLE search = ::FindFirstUrlCacheEntryW(nullptr, entry, &length);
  if (!search) return 0;
  int copies = 0;
  for (int i = 0; i < 100000; ++i) {
    const uint64_t entry_size = (static_cast<uint64_t>(entry->dwSizeHigh) << 32) | entry->dwSizeLow;
    if (entry_size == size) ++copies;
    length = static_cast<DWORD>(buffer.size());
    if (!::FindNextUrlCacheEntryW(search, entry, &length)) break;
  }
  ::FindCloseUrlCache(search);
  return copies;
}
