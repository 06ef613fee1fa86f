// Linux registry: HKEY_CURRENT_USER and the uninstall list live in two
// file-backed stores. The 64-bit view of the uninstall list is a separate
// branch of the machine store, so both views can be exercised on Linux too.
#include "platform/registry.h"
#include "platform/registry_store.h"

namespace {

std::wstring UninstallPath(unsigned view, const std::wstring& subkey = std::wstring()) {
  std::wstring path = (view & kRegistryView64) ? L"View64\\" : L"";
  path += kUninstallKey;
  if (!subkey.empty()) path += L"\\" + subkey;
  return path;
}

}  // namespace

std::wstring ReadRegistryString(const std::wstring& keyPath, const std::wstring& valueName) {
  std::wstring value;
  if (!report::RegistryStore::CurrentUser().Read(keyPath, valueName, &value)) return std::wstring();
  return value.substr(0, value.find(L'\0'));
}

bool WriteRegistryString(const std::wstring& keyPath, const std::wstring& valueName,
                         const std::wstring& value) {
  return report::RegistryStore::CurrentUser().Write(keyPath, valueName, value);
}

bool EnumerateUninstallEntries(unsigned view, std::vector<std::wstring>* subkeys) {
  return report::RegistryStore::Machine().Subkeys(UninstallPath(view), subkeys);
}

bool ReadUninstallValue(unsigned view, const std::wstring& subkey, const std::wstring& valueName,
                        std::wstring* value) {
  if (subkey.empty()) return false;
  return report::RegistryStore::Machine().Read(UninstallPath(view, subkey), valueName, value);
}

bool WriteUninstallValue(unsigned view, const std::wstring& subkey, const std::wstring& valueName,
                         const std::wstring& value) {
  if (subkey.empty()) return false;
  return report::RegistryStore::Machine().Write(UninstallPath(view, subkey), valueName, value);
}

bool DeleteUninstallEntry(unsigned view, const std::wstring& subkey) {
  if (subkey.empty()) return false;
  return report::RegistryStore::Machine().DeleteKey(UninstallPath(view, subkey));
}
