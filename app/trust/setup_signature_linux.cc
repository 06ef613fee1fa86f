#include "app/trust/setup_signature.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "setup_public_key.h"  // generated: kSetupPublicKey, the raw Ed25519 key

// Package layout: [signed bytes][64-byte Ed25519 signature][16-byte magic].
namespace {

constexpr size_t kSignatureSize = 64;
constexpr char kMagic[16] = {'L', 'U', 'M', 'A', 'C', 'A', 'S', 'T', '-', 'S', 'I', 'G', '-', 'V', '1', '\0'};
constexpr size_t kTrailerSize = kSignatureSize + sizeof(kMagic);
// Ed25519 signs in one pass over a buffer; refuse to buffer absurd sizes.
constexpr int64_t kMaxSignedSize = int64_t{1} << 30;

bool ReadFully(int fd, uint64_t offset, unsigned char* out, size_t size) {
  while (size > 0) {
    ssize_t got = pread(fd, out, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return false;
    out += got;
    offset += static_cast<uint64_t>(got);
    size -= static_cast<size_t>(got);
  }
  return true;
}

int32_t Fail(std::wstring* detail, const wchar_t* text, int32_t code) {
  if (detail != nullptr)
    *detail = text;
  return code;
}

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

int32_t VerifySetupSignature(const std::wstring& /*path*/, intptr_t native_handle, std::wstring* failure_detail) {
  const int fd = static_cast<int>(native_handle);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    return Fail(failure_detail, L"signature check without an open file", kTrustNoFile);
  const int64_t size = info.st_size;
  if (size < static_cast<int64_t>(kTrailerSize))
    return Fail(failure_detail, L"signature missing", kTrustNoSignature);

  unsigned char trailer[kTrailerSize];
  const uint64_t signed_size = static_cast<uint64_t>(size) - kTrailerSize;
  if (!ReadFully(fd, signed_size, trailer, kTrailerSize))
    return Fail(failure_detail, L"signature unreadable", kTrustReadFault);
  if (std::memcmp(trailer + kSignatureSize, kMagic, sizeof(kMagic)) != 0)
    return Fail(failure_detail, L"signature missing", kTrustNoSignature);
  if (static_cast<int64_t>(signed_size) > kMaxSignedSize)
    return Fail(failure_detail, L"signed file too large", kTrustUnknownForm);

  std::vector<unsigned char> content(signed_size);
  if (!ReadFully(fd, 0, content.data(), content.size()))
    return Fail(failure_detail, L"signature unreadable", kTrustReadFault);

  std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_PKEY_new_raw_public_key(
      EVP_PKEY_ED25519, nullptr, kSetupPublicKey, sizeof(kSetupPublicKey)));
  std::unique_ptr<EVP_MD_CTX, ContextFree> ctx(EVP_MD_CTX_new());
  if (!key || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
    return Fail(failure_detail, L"signature check unavailable", kTrustVerifierMissing);
  if (EVP_DigestVerify(ctx.get(), trailer, kSignatureSize, content.data(), content.size()) != 1)
    return Fail(failure_detail, L"signature invalid", kTrustBadDigest);
  return 0;
}
