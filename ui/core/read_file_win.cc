#include "ui/core/read_file.h"

#include <share.h>
#include <stdio.h>

namespace ui::file_internal {

std::FILE* OpenForRead(const String& path) {
  if (path.empty()) return nullptr;
  // Shared read: a layout open in an editor still loads.
  return _wfsopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"rb", _SH_DENYNO);
}

}  // namespace ui::file_internal
