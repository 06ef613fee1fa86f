// Windows probes: version checks, native system info, the program's version
// record and CHANNEL resource, CoCreateGuid and advapi32's MD5.
#include "platform/app_info.h"

#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>

#include <cstring>

#include "base/utf.h"

namespace {

// advapi32 exports these without a header declaring them.
struct Md5Context {
  ULONG count[2];
  ULONG state[4];
  unsigned char input[64];
  unsigned char digest[16];
};
using Md5InitFn = void(WINAPI*)(Md5Context*);
using Md5UpdateFn = void(WINAPI*)(Md5Context*, const unsigned char*, unsigned int);
using Md5FinalFn = void(WINAPI*)(Md5Context*);

struct Md5Routines {
  Md5InitFn init = nullptr;
  Md5UpdateFn update = nullptr;
  Md5FinalFn final = nullptr;
};

const Md5Routines& LookUpMd5() {
  static const Md5Routines routines = [] {
    Md5Routines r;
    if (HMODULE advapi = LoadLibraryW(L"advapi32.dll")) {
      r.init = reinterpret_cast<Md5InitFn>(reinterpret_cast<void*>(GetProcAddress(advapi, "MD5Init")));
      r.update = reinterpret_cast<Md5UpdateFn>(reinterpret_cast<void*>(GetProcAddress(advapi, "MD5Update")));
      r.final = reinterpret_cast<Md5FinalFn>(reinterpret_cast<void*>(GetProcAddress(advapi, "MD5Final")));
    }
    return r;
  }();
  return routines;
}

// CryptoAPI's MD5, for systems whose advapi32 lacks the MD5 exports.
bool CryptoApiMd5(const std::string& bytes, unsigned char digest[16]) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return false;
  }
  HCRYPTHASH hash = 0;
  DWORD size = 16;
  bool ok = CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
            CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()), 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == 16;
  if (hash) CryptDestroyHash(hash);
  CryptReleaseContext(provider, 0);
  return ok;
}

}  // namespace

bool VersionAtLeast(int major, int minor, int servicePackMajor) {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  info.dwMajorVersion = static_cast<DWORD>(major);
  info.dwMinorVersion = static_cast<DWORD>(minor);
  info.wServicePackMajor = static_cast<WORD>(servicePackMajor);
  DWORDLONG mask = 0;
  mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                            mask) != FALSE;
}

bool IsServerSystem() {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  info.wProductType = VER_NT_WORKSTATION;
  DWORDLONG mask = VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL);
  return VerifyVersionInfoW(&info, VER_PRODUCT_TYPE, mask) == FALSE;
}

std::wstring OperatingSystemName() {
  return WindowsNameFromVersionChecks(IsServerSystem(), VersionAtLeast);
}

std::wstring BitnessWord() {
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                 info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64
             ? L"64bit"
             : L"32bit";
}

const char* OsCookieName() { return "windows"; }

std::string WideToSystemCodePage(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring SystemCodePageToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

namespace app_info_internal {

std::wstring ReadOwnFileVersion() {
  wchar_t self[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring file = self;
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
  if (size == 0) return std::wstring();
  std::string block(size, '\0');
  if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return std::wstring();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
      !fixed || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return std::wstring();
  }
  wchar_t text[64];
  wsprintfW(text, L"%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  return text;
}

std::wstring NewGuidText() {
  GUID guid = {};
  if (FAILED(CoCreateGuid(&guid))) return std::wstring();
  wchar_t text[64];
  wsprintfW(text, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
            guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
            guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

unsigned long long MillisecondsSince1601() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return ticks.QuadPart / 10000ULL;
}

bool Md5Digest(const std::string& bytes, unsigned char digest[16]) {
  const Md5Routines& md5 = LookUpMd5();
  if (!md5.init || !md5.update || !md5.final) return CryptoApiMd5(bytes, digest);
  Md5Context context = {};
  md5.init(&context);
  md5.update(&context, reinterpret_cast<const unsigned char*>(bytes.data()),
             static_cast<unsigned int>(bytes.size()));
  md5.final(&context);
  std::memcpy(digest, context.digest, 16);
  return true;
}

}  // namespace app_info_internal
