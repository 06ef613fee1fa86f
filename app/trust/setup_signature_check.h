// The one place the download asks whether the setup package is signed by the
// publisher. There is no build without the verifier: configure fails when its
// crypto library is missing, so no program can accept unsigned packages.
#pragma once

#include <cstdint>
#include <string>

// 0 when the package is ours, else the trust code (see setup_signature.h).
int32_t CheckSetupSignature(const std::wstring& path, intptr_t native_handle, std::wstring* failure_detail);
