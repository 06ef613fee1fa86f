#include "trust_root.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

bool TrustRootCertificate(const std::wstring& der_path) {
  FILE* file = _wfopen(der_path.c_str(), L"rb");
  if (!file)
    return false;
  std::vector<unsigned char> der;
  unsigned char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0)
    der.insert(der.end(), chunk, chunk + got);
  fclose(file);
  if (der.empty())
    return false;

  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                   CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (store == nullptr)
    return false;
  BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                static_cast<DWORD>(der.size()),
                                                CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  return added != FALSE;
}
