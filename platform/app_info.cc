#include "platform/app_info.h"

#include <algorithm>
#include <mutex>

#include "base/utf.h"
#include "platform/embedded_resources.h"
#include "platform/registry.h"

namespace {

std::mutex& CacheLock() {
  static std::mutex lock;
  return lock;
}

// Process-wide, filled by the first successful call.
std::wstring& CachedFileVersion() {
  static auto* cache = new std::wstring();
  return *cache;
}
std::wstring& CachedUniqueId() {
  static auto* cache = new std::wstring();
  return *cache;
}

}  // namespace

std::wstring WindowsNameFromVersionChecks(bool isServer,
                                          const std::function<bool(int, int, int)>& atLeast) {
  if (isServer) return L"Microsoft Windows Server";
  struct Row {
    int major, minor, servicePack;
    const wchar_t* name;
  };
  static const Row kRows[] = {
      {10, 0, 0, L"Microsoft Windows 10"},       {6, 3, 0, L"Microsoft Windows 8.1"},
      {6, 2, 0, L"Microsoft Windows 8"},         {6, 1, 1, L"Microsoft Windows 7 sp1"},
      {6, 1, 0, L"Microsoft Windows 7"},         {6, 0, 2, L"Microsoft Windows Vista sp2"},
      {6, 0, 1, L"Microsoft Windows Vista sp1"}, {6, 0, 0, L"Microsoft Windows Vista"},
      {5, 1, 3, L"Microsoft Windows xp sp3"},    {5, 1, 2, L"Microsoft Windows xp sp2"},
      {5, 1, 1, L"Microsoft Windows xp sp1"},    {5, 1, 0, L"Microsoft Windows xp"},
  };
  for (const Row& row : kRows) {
    if (atLeast(row.major, row.minor, row.servicePack)) return row.name;
  }
  return L"unknown OperatingSystem.";
}

std::wstring OwnFileVersion() {
  std::lock_guard<std::mutex> guard(CacheLock());
  std::wstring& cachedFileVersion = CachedFileVersion();
  if (cachedFileVersion.empty()) {
    cachedFileVersion = app_info_internal::ReadOwnFileVersion();
    if (cachedFileVersion.empty()) cachedFileVersion = L"1.0.0.0";
  }
  return cachedFileVersion;
}

std::wstring Md5Hex(const std::wstring& text) {
  std::string utf8 = nbase::WideToUTF8(text);
  utf8 = utf8.substr(0, utf8.find('\0'));
  unsigned char digest[16];
  if (!app_info_internal::Md5Digest(utf8, digest)) return std::wstring();
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring hex;
  for (unsigned char byte : digest) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0xF]);
  }
  return hex;
}

namespace {

// An id goes into a cookie and a report as it is: one that could end or split
// either (";", a quote, a line break or any other control character) is not
// used.
bool IsSendableId(const std::wstring& id) {
  if (id.empty()) return false;
  return std::none_of(id.begin(), id.end(),
                      [](wchar_t c) { return c == L';' || c == L'"' || c < 0x20 || c == 0x7F; });
}

}  // namespace

std::wstring UniqueId() {
  std::lock_guard<std::mutex> guard(CacheLock());
  std::wstring& cachedUniqueId = CachedUniqueId();
  if (!cachedUniqueId.empty()) return cachedUniqueId;

  std::wstring stored = ReadRegistryString(kAppInfoKey, L"UniqueId");
  if (IsSendableId(stored)) {
    cachedUniqueId = stored;
    return cachedUniqueId;
  }
  std::wstring seed = app_info_internal::NewGuidText();
  if (seed.empty()) seed = std::to_wstring(app_info_internal::MillisecondsSince1601());
  cachedUniqueId = Md5Hex(seed);
  // A failed write only means the next run makes another id.
  WriteRegistryString(kAppInfoKey, L"UniqueId", cachedUniqueId);
  WriteRegistryString(kAppInfoKey, L"OutputDir", L"");
  return cachedUniqueId;
}

void ReplaceAll(std::wstring* text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return;
  for (size_t pos = text->find(from); pos != std::wstring::npos;
       pos = text->find(from, pos + to.size())) {
    text->replace(pos, from.size(), to);
  }
}

void app_info_internal::ResetCachesForTesting() {
  std::lock_guard<std::mutex> guard(CacheLock());
  CachedFileVersion().clear();
  CachedUniqueId().clear();
}

bool ReadChannel(std::wstring* out) {
  const void* data = nullptr;
  size_t size = 0;
  if (!FindEmbeddedResource(kChannelResourceId, kChannelResourceType, &data, &size)) return false;
  // The text ends at the blob's end or its first zero byte, whichever is first.
  std::string text(static_cast<const char*>(data), std::min<size_t>(size, 260));
  *out = nbase::UTF8ToWide(text.substr(0, text.find('\0')));
  return true;
}
