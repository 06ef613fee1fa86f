// Bytes carried inside the demo setup package: the demo product it installs
// and the pseudo-random padding that makes it as large as a real package.
// Assembled in at build time (see demo_setup_payload.cc).
#pragma once

#include <cstddef>

struct DemoBlob {
  const unsigned char* data;
  size_t size;
};

DemoBlob DemoProductBytes();
DemoBlob DemoPaddingBytes();
