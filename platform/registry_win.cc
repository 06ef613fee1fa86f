#include "platform/registry.h"

#include <windows.h>

namespace {

// Reads a string value into a zeroed buffer of `bytes` bytes; false when the
// value does not fit (ERROR_MORE_DATA) or cannot be read. One extra character
// stays zero, so a value that fills the buffer exactly is still terminated.
bool QueryString(HKEY key, const std::wstring& valueName, DWORD bytes, std::wstring* out) {
  std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  DWORD size = bytes;
  if (RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
    return false;
  }
  *out = buffer.c_str();
  return true;
}

HKEY OpenUninstall(unsigned view, const std::wstring& subkey, REGSAM access) {
  std::wstring path = kUninstallKey;
  if (!subkey.empty()) path += L"\\" + subkey;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | view, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

// Stores `value` as REG_SZ (with its terminating zero) and closes `key`.
bool SetStringAndClose(HKEY key, const std::wstring& valueName, const std::wstring& value) {
  LONG result = RegSetValueExW(key, valueName.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

}  // namespace

std::wstring ReadRegistryString(const std::wstring& keyPath, const std::wstring& valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::wstring();
  }
  std::wstring value;
  if (!QueryString(key, valueName, 520, &value)) value.clear();
  RegCloseKey(key);
  return value;
}

bool WriteRegistryString(const std::wstring& keyPath, const std::wstring& valueName,
                         const std::wstring& value) {
  const REGSAM access = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, access, &key) != ERROR_SUCCESS &&
      RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      access, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return SetStringAndClose(key, valueName, value);
}

bool EnumerateUninstallEntries(unsigned view, std::vector<std::wstring>* subkeys) {
  subkeys->clear();
  HKEY key = OpenUninstall(view, std::wstring(), KEY_READ);
  if (!key) return false;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256] = {};
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    subkeys->emplace_back(name, length);
  }
  RegCloseKey(key);
  return true;
}

bool ReadUninstallValue(unsigned view, const std::wstring& subkey, const std::wstring& valueName,
                        std::wstring* value) {
  if (subkey.empty()) return false;
  HKEY key = OpenUninstall(view, subkey, KEY_READ);
  if (!key) return false;
  bool ok = QueryString(key, valueName, 512, value);
  RegCloseKey(key);
  return ok;
}

bool WriteUninstallValue(unsigned view, const std::wstring& subkey, const std::wstring& valueName,
                         const std::wstring& value) {
  if (subkey.empty()) return false;
  std::wstring path = std::wstring(kUninstallKey) + L"\\" + subkey;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_SET_VALUE | view, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return SetStringAndClose(key, valueName, value);
}

bool DeleteUninstallEntry(unsigned view, const std::wstring& subkey) {
  if (subkey.empty()) return false;
  HKEY parent = OpenUninstall(view, std::wstring(), KEY_READ | KEY_WRITE);
  if (!parent) return false;
  LONG result = RegDeleteTreeW(parent, subkey.c_str());
  RegCloseKey(parent);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}
