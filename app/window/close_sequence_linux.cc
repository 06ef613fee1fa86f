#include "app/window/close_sequence.h"

#include <cstdio>
#include <cstdlib>

void EndProcessNow(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}
