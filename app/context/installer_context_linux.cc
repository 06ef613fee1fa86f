// Linux stand-ins for the shell folders: XDG locations a Linux user expects.
#include "app/context/installer_context.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>

#include "base/file_util.h"
#include "base/utf.h"
#include "platform/xdg_dirs.h"

std::wstring SpecialFolderPath(int csidl) {
  std::string path;
  switch (csidl) {
    case kFolderProgramFilesX86:  // per-user programs live in the data home
      path = report::XdgBaseDir("XDG_DATA_HOME", ".local/share");
      break;
    case kFolderRoamingAppData:
      path = report::XdgBaseDir("XDG_CONFIG_HOME", ".config");
      break;
    case kFolderDesktop:
      path = report::XdgUserDir("DESKTOP", "Desktop");
      break;
    case kFolderDocuments:
      path = report::XdgUserDir("DOCUMENTS", "Documents");
      break;
    default:
      return std::wstring();
  }
  return nbase::UTF8ToWide(path);
}

std::wstring TempFolderPath() {
  const char* tmp = std::getenv("TMPDIR");
  std::wstring path = nbase::UTF8ToWide(tmp && tmp[0] == '/' ? tmp : "/tmp");
  if (path.empty()) path = L"/tmp";
  if (path.back() != L'/') path += L'/';
  return path;
}

bool FreeDiskSpace(const std::wstring& folder, uint64_t* freeBytes) {
  struct statvfs info;
  if (statvfs(nbase::NativePath(folder).c_str(), &info) != 0) return false;
  *freeBytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
  return true;
}

namespace installer_context_internal {

std::wstring LastResortDownloadDir() { return L"/tmp"; }

bool ProgramsCanRunIn(const std::wstring& folder) {
  // /tmp is often mounted noexec: the setup would download and then fail to
  // start three times.
  struct statvfs info;
  return statvfs(nbase::NativePath(folder).c_str(), &info) == 0 && (info.f_flag & ST_NOEXEC) == 0;
}

bool CreateAndDeleteFile(const std::wstring& path) {
  std::string native = nbase::NativePath(path);
  int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  close(fd);
  return unlink(native.c_str()) == 0;
}

}  // namespace installer_context_internal
