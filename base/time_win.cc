#include <windows.h>
#include <mmsystem.h>

#include "base/time.h"

namespace nbase::internal {

uint32_t SystemTicks() { return timeGetTime(); }

}  // namespace nbase::internal
