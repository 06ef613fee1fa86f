#include "app/download/download_folder_safety.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/file_util.h"

bool IsSafeDownloadFolderHandle(intptr_t native_handle) {
  struct stat folder;
  if (::fstat(static_cast<int>(native_handle), &folder) != 0 || !S_ISDIR(folder.st_mode)) return false;
  if (folder.st_uid != ::geteuid() && folder.st_uid != 0) return false;
  const bool shared = (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return !shared || (folder.st_mode & S_ISVTX) != 0;
}

bool IsSafeDownloadFolder(const std::wstring& folder) {
  const int fd = ::open(nbase::NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool safe = IsSafeDownloadFolderHandle(fd);
  ::close(fd);
  return safe;
}
