#include <windows.h>

#include "demo_platform.h"

namespace demo {

namespace {
bool SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}
}  // namespace

bool RecordUninstallEntry(const std::string& install_folder) {
  int chars = MultiByteToWideChar(CP_UTF8, 0, install_folder.data(), static_cast<int>(install_folder.size()),
                                  nullptr, 0);
  std::wstring folder(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
  if (chars > 0)
    MultiByteToWideChar(CP_UTF8, 0, install_folder.data(), static_cast<int>(install_folder.size()),
                        folder.data(), chars);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\LumaCast", 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = SetString(key, L"DisplayName", L"LumaCast") && SetString(key, L"DisplayVersion", L"1.6.2.2") &&
            SetString(key, L"Publisher", L"Brightvale") && SetString(key, L"InstallLocation", folder) &&
            SetString(key, L"DisplayIcon", folder + L"\\lumacast.exe");
  RegCloseKey(key);
  return ok;
}

}  // namespace demo
