#include "platform/system_library.h"

// Linux resolves shared objects through the loader's fixed trusted paths; the
// Windows search-order problem does not exist here.
void HardenDllSearchPath() {}

void* LoadSystemLibrary(const wchar_t*) { return nullptr; }
