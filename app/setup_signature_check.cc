#include "app/setup_signature_check.h"

#if defined(LUMACAST_HAVE_SETUP_SIGNATURE)
#include "app/setup_signature.h"
#endif

bool CheckSetupSignature(const std::wstring& path, intptr_t native_handle, std::wstring* failure_detail) {
#if defined(LUMACAST_HAVE_SETUP_SIGNATURE)
  return VerifySetupSignature(path, native_handle, failure_detail);
#else
  (void)path;
  (void)native_handle;
  (void)failure_detail;
  return true;
#endif
}
