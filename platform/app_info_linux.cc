// Linux probes: /etc/os-release, uname(2), the build's own version and
// channel, getrandom(2) for the GUID and OpenSSL's MD5.
#include "platform/app_info.h"

#include <openssl/evp.h>
#include <sys/random.h>
#include <sys/utsname.h>
#include <time.h>

#include <cstdio>
#include <fstream>

#include "base/utf.h"
#include "config/build_config.h"

namespace {

// The value of `key` in an os-release file, without its quotes.
std::string OsReleaseValue(const char* path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=", 0) != 0) continue;
    std::string value = line.substr(key.size() + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::string();
}

}  // namespace

std::wstring OperatingSystemName() {
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    for (const char* key : {"PRETTY_NAME", "NAME"}) {
      std::wstring name = nbase::UTF8ToWide(OsReleaseValue(path, key));
      if (!name.empty()) return name;
    }
  }
  return L"Linux";
}

bool VersionAtLeast(int major, int minor, int /*servicePackMajor*/) {
  struct utsname info;
  if (uname(&info) != 0) return false;
  int haveMajor = 0, haveMinor = 0;
  if (std::sscanf(info.release, "%d.%d", &haveMajor, &haveMinor) < 1) return false;
  return haveMajor > major || (haveMajor == major && haveMinor >= minor);
}

bool IsServerSystem() { return false; }

std::wstring BitnessWord() {
  struct utsname info;
  if (uname(&info) == 0) {
    std::string machine = info.machine;
    if (machine.find("64") != std::string::npos || machine == "s390x") return L"64bit";
  }
  return L"32bit";
}

const char* OsCookieName() { return "linux"; }

std::string WideToSystemCodePage(const std::wstring& text) { return nbase::WideToUTF8(text); }
std::wstring SystemCodePageToWide(const std::string& text) { return nbase::UTF8ToWide(text); }

namespace app_info_internal {

std::wstring ReadOwnFileVersion() {
  // Linux programs carry no version record: our own version is the build's.
  return LUMACAST_VERSION_W;
}

std::wstring NewGuidText() {
  unsigned char b[16];
  if (getrandom(b, sizeof(b), 0) != static_cast<ssize_t>(sizeof(b))) return std::wstring();
  b[6] = (b[6] & 0x0F) | 0x40;  // version 4, as CoCreateGuid makes them
  b[8] = (b[8] & 0x3F) | 0x80;
  wchar_t text[64];
  std::swprintf(text, 64, L"{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12],
                b[13], b[14], b[15]);
  return text;
}

unsigned long long MillisecondsSince1601() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return 11644473600000ULL + static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
         static_cast<unsigned long long>(now.tv_nsec / 1000000);
}

bool Md5Digest(const std::string& bytes, unsigned char digest[16]) {
  unsigned int size = 0;
  return EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr) == 1 &&
         size == 16;
}

}  // namespace app_info_internal
