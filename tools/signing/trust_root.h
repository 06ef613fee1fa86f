// Makes this Windows installation (in tests: a Wine prefix) trust a root
// certificate, so packages signed under it pass Authenticode verification.
// For test machines only: the certificate goes into the machine-wide "Root"
// store. Any thread; returns false and leaves the store unchanged on failure.
#pragma once

#include <string>

bool TrustRootCertificate(const std::wstring& der_path);
