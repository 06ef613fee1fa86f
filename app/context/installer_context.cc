#include "app/context/installer_context.h"

#include "app/context/folder_path.h"
#include "app/download/download_folder_safety.h"
#include "base/file_util.h"
#include "platform/app_info.h"
#include "platform/registry.h"
#include "config/build_config.h"

namespace installer_context_internal {
// Platform parts (installer_context_win.cc / _linux.cc).
std::wstring LastResortDownloadDir();
bool CreateAndDeleteFile(const std::wstring& path);
// False where the file system refuses to start programs (Linux: noexec).
bool ProgramsCanRunIn(const std::wstring& folder);
}  // namespace installer_context_internal

namespace {

constexpr wchar_t kSep = nbase::kPathSeparator;

// "<base>\Brightvale\LumaCast" with the platform's separator; empty when the
// system folder `base` is unknown, so that a failed folder query never turns
// into a folder at the root of the drive.
std::wstring SubFolder(const std::wstring& base, const wchar_t* name) {
  return base.empty() ? std::wstring() : base + kSep + name;
}

// The temporary folder ends in a separator already.
std::wstring TempSubFolder(const std::wstring& temp, const wchar_t* name) {
  return temp.empty() ? std::wstring() : temp + name;
}

std::wstring ProductFolderUnder(const std::wstring& base) {
  return SubFolder(SubFolder(base, L"Brightvale"), L"LumaCast");
}

}  // namespace

InstallerContext::InstallerContext() : InstallerContext(InstallerEnvironment()) {}

InstallerContext::InstallerContext(const InstallerEnvironment& environment)
    : environment_(environment) {
  if (!environment_.readChannel) environment_.readChannel = ReadChannel;
  Construct();
}

void InstallerContext::Construct() {
  installDir = ProductFolderUnder(environment_.specialFolder(kFolderProgramFilesX86));

  channel = kDefaultChannel;
  std::wstring baked;
  if (environment_.readChannel(&baked)) channel = baked;
  // An upgrade installer keeps the channel the first install recorded.
  if (!channel.empty() && channel.find(kUpgradeMarker) == std::wstring::npos) {
    WriteRegistryString(kAppInfoKey, L"InstallerChannel", channel);
  }

  installedBefore = false;
  std::wstring recorded = ReadRegistryString(kAppInfoKey, L"InstallerPath");
  if (!recorded.empty()) {
    installDir = recorded;
    installedBefore = nbase::PathExists(ProductExecutablePath(installDir));
  }

  packageUrl = std::wstring(LUMACAST_PACKAGE_SCHEME_W) + L"://" + LUMACAST_REPORT_HOST_W +
               L"/caller?a=downloadPackage&c=site&package=" + kPackageId + L"&channel=" + channel;

  const std::wstring candidates[] = {
      SubFolder(ProductFolderUnder(environment_.specialFolder(kFolderRoamingAppData)), L"Files"),
      TempSubFolder(environment_.tempFolder(), L"LumaCastInstaller"),
      environment_.specialFolder(kFolderDesktop),
      environment_.specialFolder(kFolderDocuments),
      installer_context_internal::LastResortDownloadDir(),
  };
  for (const std::wstring& candidate : candidates) {
    downloadDir = candidate;
    if (ProbeDownloadDir(candidate)) break;
  }
  // The last candidate is used whatever its probe said.
  downloadDir += kSep;
  setupFilePath = downloadDir + kSetupFileName;
}

bool InstallerContext::ProbeDownloadDir(const std::wstring& folder) {
  // An empty candidate (a shell folder that could not be found) would turn
  // into a path relative to wherever the process happens to run.
  if (folder.empty()) return false;
  // A setup path at the system's limit downloads but can never be started.
  if (ReachesPathLimit(folder + kSep + kSetupFileName)) return false;
  if (!nbase::DirectoryExists(folder)) nbase::CreateDirectoryRecursive(folder);
  if (!nbase::DirectoryExists(folder)) return false;
  // The download would refuse to write there (others could swap the file
  // before it runs): the next candidate is used instead.
  if (!IsSafeDownloadFolder(folder)) return false;
  uint64_t freeBytes = 0;
  if (!environment_.freeSpace(folder, &freeBytes) || freeBytes < kRequiredFreeBytes) return false;
  setupFilePath = folder + kSep + kSetupFileName;
  return installer_context_internal::CreateAndDeleteFile(setupFilePath) &&
         installer_context_internal::ProgramsCanRunIn(folder);
}

std::wstring ProductExecutablePath(const std::wstring& install_dir) {
  return install_dir + kSep + kProductExecutable;
}
