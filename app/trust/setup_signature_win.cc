#include "app/trust/setup_signature.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include <cwchar>

#include "platform/system_library.h"

// wintrust and crypt32 are not known DLLs, so they are never import-linked:
// a planted copy beside the installer would otherwise run elevated.
namespace {

using WinVerifyTrustFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);
using ProvDataFromStateDataFn = CRYPT_PROVIDER_DATA*(WINAPI*)(HANDLE);
using ProvSignerFromChainFn = CRYPT_PROVIDER_SGNR*(WINAPI*)(CRYPT_PROVIDER_DATA*, DWORD, BOOL, DWORD);
using CertGetNameStringWFn = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR, DWORD);

struct TrustApi {
  WinVerifyTrustFn verify = nullptr;
  ProvDataFromStateDataFn prov_data = nullptr;
  ProvSignerFromChainFn signer = nullptr;
  CertGetNameStringWFn cert_name = nullptr;
  bool ok() const { return verify && prov_data && signer && cert_name; }
};

template <class Fn>
Fn Lookup(void* module, const char* name) {
  if (module == nullptr)
    return nullptr;
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name)));
}

// Modules stay loaded for the life of the process; looked up once.
const TrustApi& Api() {
  static const TrustApi api = [] {
    TrustApi a;
    void* wintrust = LoadSystemLibrary(L"wintrust.dll");
    void* crypt32 = LoadSystemLibrary(L"crypt32.dll");
    a.verify = Lookup<WinVerifyTrustFn>(wintrust, "WinVerifyTrust");
    a.prov_data = Lookup<ProvDataFromStateDataFn>(wintrust, "WTHelperProvDataFromStateData");
    a.signer = Lookup<ProvSignerFromChainFn>(wintrust, "WTHelperGetProvSignerFromChain");
    a.cert_name = Lookup<CertGetNameStringWFn>(crypt32, "CertGetNameStringW");
    return a;
  }();
  return api;
}

// Fills in the reason and hands back the code.
int32_t Fail(std::wstring* detail, const std::wstring& text, int32_t code) {
  if (detail != nullptr) {
    wchar_t hex[16];
    swprintf(hex, 16, L" (0x%08lx)", static_cast<unsigned long>(code));
    *detail = text + hex;
  }
  return code;
}

// Wine's generic verify policy returns success for a chain that ends in an
// untrusted root (it only records the error in the chain), so the chain is
// checked here again; the code is the one Windows would have returned. 0 when
// the chain is sound. Revocation is deliberately not checked (no network).
int32_t ChainError(const CRYPT_PROVIDER_SGNR* signer) {
  constexpr DWORD kRevocationUnchecked = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
  if (signer->pChainContext == nullptr)
    return kTrustChainBroken;
  const DWORD errors = signer->pChainContext->TrustStatus.dwErrorStatus & ~kRevocationUnchecked;
  if (errors & CERT_TRUST_IS_UNTRUSTED_ROOT)
    return kTrustUntrustedRoot;
  if (errors & CERT_TRUST_IS_NOT_TIME_VALID)
    return kTrustExpired;
  if (errors != 0)
    return kTrustChainBroken;
  for (DWORD i = 0; i < signer->csCertChain; ++i) {
    if (signer->pasCertChain[i].dwError != 0)
      return static_cast<int32_t>(signer->pasCertChain[i].dwError);
  }
  return 0;
}

// The first signer, when its chain is complete; nullptr otherwise.
const CRYPT_PROVIDER_SGNR* FirstSigner(const TrustApi& api, HANDLE state) {
  CRYPT_PROVIDER_DATA* data = api.prov_data(state);
  if (data == nullptr)
    return nullptr;
  CRYPT_PROVIDER_SGNR* signer = api.signer(data, 0, FALSE, 0);
  if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr ||
      signer->pasCertChain[0].pCert == nullptr)
    return nullptr;
  return signer;
}

// Simple subject name of the signer's leaf certificate.
std::wstring LeafSignerName(const TrustApi& api, const CRYPT_PROVIDER_SGNR* signer) {
  PCCERT_CONTEXT leaf = signer->pasCertChain[0].pCert;
  DWORD length = api.cert_name(leaf, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
  if (length <= 1)
    return {};
  std::wstring name(length, L'\0');
  length = api.cert_name(leaf, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), length);
  name.resize(length > 0 ? length - 1 : 0);
  return name;
}

}  // namespace

int32_t VerifySetupSignature(const std::wstring& path, intptr_t native_handle, std::wstring* failure_detail) {
  const TrustApi& api = Api();
  if (!api.ok())
    return Fail(failure_detail, L"signature check unavailable", kTrustVerifierMissing);
  HANDLE file = reinterpret_cast<HANDLE>(native_handle);
  if (file == nullptr || file == INVALID_HANDLE_VALUE)
    return Fail(failure_detail, L"signature check without an open file", kTrustNoFile);

  WINTRUST_FILE_INFO file_info = {};
  file_info.cbStruct = sizeof(file_info);
  file_info.pcwszFilePath = path.c_str();
  file_info.hFile = file;  // the verifier reads through this, not the name

  WINTRUST_DATA trust = {};
  trust.cbStruct = sizeof(trust);
  trust.dwUIChoice = WTD_UI_NONE;
  trust.fdwRevocationChecks = WTD_REVOKE_NONE;
  trust.dwUnionChoice = WTD_CHOICE_FILE;
  trust.pFile = &file_info;
  trust.dwStateAction = WTD_STATEACTION_VERIFY;
  trust.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;

  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const int32_t status = static_cast<int32_t>(api.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust));

  int32_t code = 0;
  if (status != ERROR_SUCCESS) {
    code = Fail(failure_detail, status == kTrustNoSignature ? L"signature missing" : L"signature invalid", status);
  } else if (const CRYPT_PROVIDER_SGNR* signer = FirstSigner(api, trust.hWVTStateData); signer == nullptr) {
    code = Fail(failure_detail, L"signature without a signer", kTrustNoSigner);
  } else if (const int32_t chain = ChainError(signer); chain != 0) {
    code = Fail(failure_detail, L"signature from an untrusted certificate", chain);
  } else if (const std::wstring name = LeafSignerName(api, signer); name != L"" LUMACAST_SETUP_PUBLISHER) {
    code = Fail(failure_detail, L"signature from another publisher: " + name, kTrustOtherPublisher);
  }

  trust.dwStateAction = WTD_STATEACTION_CLOSE;
  api.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
  return code;
}
