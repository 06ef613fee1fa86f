// trust_root.exe <root.der>: run once in a test Wine prefix so the demo
// setup package's test signature verifies. Exit code 0 on success.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "trust_root.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fwprintf(stderr, L"usage: trust_root.exe <root certificate, DER>\n");
    return 2;
  }
  if (!TrustRootCertificate(argv[1])) {
    fwprintf(stderr, L"trust_root: could not add %ls to the Root store (error %lu)\n", argv[1],
             GetLastError());
    return 1;
  }
  return 0;
}
