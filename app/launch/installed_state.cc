#include "app/launch/installed_state.h"

#include <vector>

#include "base/file_util.h"
#include "platform/registry.h"

bool HasRecordedInstall() {
  const std::wstring folder = ReadRegistryString(kAppInfoKey, L"InstallerPath");
  return !folder.empty() && nbase::PathExists(ProductExecutablePath(folder));
}

bool FindUninstallEntry(unsigned view) {
  std::vector<std::wstring> subkeys;
  if (!EnumerateUninstallEntries(view, &subkeys)) return false;
  for (const std::wstring& subkey : subkeys) {
    std::wstring name;
    if (ReadUninstallValue(view, subkey, L"DisplayName", &name) &&
        name.find(kProductName) != std::wstring::npos) {
      return true;
    }
  }
  return false;
}

bool IsProductInstalled() {
  return HasRecordedInstall() || FindUninstallEntry(0) || FindUninstallEntry(kRegistryView64);
}

LaunchCommand ProductLaunchCommand(const std::wstring& install_dir) {
  return LaunchCommand{ProductExecutablePath(install_dir), {L"--install"}};
}
