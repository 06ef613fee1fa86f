// The one place the download asks whether the setup package is signed by the
// publisher. Builds without the signature verifier accept every file (and say
// so at configure time); the product build always has it.
#pragma once

#include <cstdint>
#include <string>

bool CheckSetupSignature(const std::wstring& path, intptr_t native_handle, std::wstring* failure_detail);
