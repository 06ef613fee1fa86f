// The codes a publisher check ends with, as WinVerifyTrust and the certificate
// chain give them (HRESULTs). The Linux trailer check reports its failures as
// the same codes, so the failure page and the reports read alike everywhere.
#pragma once

#include <cstdint>

// The file carries no signature at all (TRUST_E_NOSIGNATURE).
inline constexpr int32_t kTrustNoSignature = static_cast<int32_t>(0x800B0100);
// The signature does not match the bytes: altered after signing, or signed
// with a key that is not ours (TRUST_E_BAD_DIGEST).
inline constexpr int32_t kTrustBadDigest = static_cast<int32_t>(0x80096010);
// The chain ends in a root the system does not trust (CERT_E_UNTRUSTEDROOT).
inline constexpr int32_t kTrustUntrustedRoot = static_cast<int32_t>(0x800B0109);
// The chain is incomplete or otherwise broken (CERT_E_CHAINING).
inline constexpr int32_t kTrustChainBroken = static_cast<int32_t>(0x800B010A);
// A certificate of the chain has expired or is not yet valid (CERT_E_EXPIRED).
inline constexpr int32_t kTrustExpired = static_cast<int32_t>(0x800B0101);
// A signature without a signer certificate (TRUST_E_NO_SIGNER_CERT).
inline constexpr int32_t kTrustNoSigner = static_cast<int32_t>(0x80096002);
// Validly signed, but by another publisher (TRUST_E_SUBJECT_NOT_TRUSTED).
inline constexpr int32_t kTrustOtherPublisher = static_cast<int32_t>(0x800B0004);
// The verifier itself is missing (TRUST_E_PROVIDER_UNKNOWN).
inline constexpr int32_t kTrustVerifierMissing = static_cast<int32_t>(0x800B0001);
// The file is too large or oddly formed to be checked (TRUST_E_SUBJECT_FORM_UNKNOWN).
inline constexpr int32_t kTrustUnknownForm = static_cast<int32_t>(0x800B0003);
// No open file was handed over (E_HANDLE).
inline constexpr int32_t kTrustNoFile = static_cast<int32_t>(0x80070006);
// The file could not be read (ERROR_READ_FAULT).
inline constexpr int32_t kTrustReadFault = static_cast<int32_t>(0x8007001E);
