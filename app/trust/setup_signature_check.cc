#include "app/trust/setup_signature_check.h"

#include "app/trust/setup_signature.h"

int32_t CheckSetupSignature(const std::wstring& path, intptr_t native_handle, std::wstring* failure_detail) {
  return VerifySetupSignature(path, native_handle, failure_detail);
}
