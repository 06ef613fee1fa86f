#include "held_handle.h"

#include <fcntl.h>
#include <unistd.h>

#include "base/file_util.h"

HeldHandle::HeldHandle(const std::wstring& path)
    : handle_(open(nbase::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC)) {}

HeldHandle::~HeldHandle() {
  if (valid())
    close(static_cast<int>(handle_));
}

bool HeldHandle::valid() const { return handle_ >= 0; }
