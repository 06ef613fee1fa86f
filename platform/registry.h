// Registry helpers: string values under HKEY_CURRENT_USER (the installer's own
// "Software\\LumaCast\\AppInfo" key) and the machine-wide uninstall list.
//
// On Windows these are thin wrappers over advapi32. On Linux the same calls go
// to small file-backed stores (see registry_store.h): one per user for
// HKEY_CURRENT_USER under $XDG_CONFIG_HOME, one for the uninstall list under
// $XDG_DATA_HOME, so a Linux setup package can record itself the way a Windows
// one does. Key paths use backslashes on both platforms.
//
// Any thread may call these; nothing is cached. Failures never raise: reads
// give empty/false, writes report false (the installer itself ignores them).
#pragma once

#include <string>
#include <vector>

// The per-user key every value of the installer lives under.
inline constexpr wchar_t kAppInfoKey[] = L"Software\\LumaCast\\AppInfo";

// HKEY_LOCAL_MACHINE key holding one subkey per installed product.
inline constexpr wchar_t kUninstallKey[] =
    L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Registry views of the uninstall list: 0 is the process's own view,
// kRegistryView64 (KEY_WOW64_64KEY) the 64-bit view.
inline constexpr unsigned kRegistryView64 = 0x0100;

// Reads a value of `keyPath` under HKEY_CURRENT_USER. Empty when the key or the
// value cannot be read; on Windows also when the value does not fit in 520
// bytes. The text ends at its first zero character; the value type is ignored.
std::wstring ReadRegistryString(const std::wstring& keyPath, const std::wstring& valueName);

// Stores a string value under HKEY_CURRENT_USER, creating the key when needed.
// Returns whether it was stored (the installer's callers ignore it).
bool WriteRegistryString(const std::wstring& keyPath, const std::wstring& valueName,
                         const std::wstring& value);

// Lists the subkey names of the uninstall key in `view`, in enumeration order.
// False (and `subkeys` cleared) when the uninstall key cannot be opened.
bool EnumerateUninstallEntries(unsigned view, std::vector<std::wstring>* subkeys);

// Reads `valueName` of one uninstall entry (at most 512 bytes on Windows).
bool ReadUninstallValue(unsigned view, const std::wstring& subkey, const std::wstring& valueName,
                        std::wstring* value);

// For setup packages: records or removes one uninstall entry.
bool WriteUninstallValue(unsigned view, const std::wstring& subkey, const std::wstring& valueName,
                         const std::wstring& value);
bool DeleteUninstallEntry(unsigned view, const std::wstring& subkey);
