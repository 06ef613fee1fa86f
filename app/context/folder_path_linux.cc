#include "app/context/folder_path.h"

#include <limits.h>
#include <unistd.h>

#include "base/utf.h"

size_t PathLengthLimit() { return PATH_MAX; }

namespace folder_path_internal {

std::wstring SystemAbsolutePath(const std::wstring& folder) {
  if (folder[0] == L'/') return folder;
  char buffer[PATH_MAX];
  if (!::getcwd(buffer, sizeof(buffer))) return std::wstring();
  const std::wstring current = nbase::UTF8ToWide(buffer);
  return current.empty() ? std::wstring() : current + L'/' + folder;
}

}  // namespace folder_path_internal
