// Who and where the installer is: operating-system name, bitness, the
// program's version, the per-user unique id, MD5, the channel baked into the
// build, and the text conversions the reports use.
//
// Stateless apart from two process-wide caches (version, unique id) that are
// filled on first use. The first calls happen on the UI thread at start-up
// (InitReporting), before any other thread builds a report; the caches are
// nevertheless guarded, so any thread may call anything here.
#pragma once

#include <functional>
#include <string>

// The operating system's display name: on Windows from the version table
// ("Microsoft Windows 10", "Microsoft Windows Server", ...); on Linux the
// PRETTY_NAME of /etc/os-release (NAME, then "Linux" when that is missing).
std::wstring OperatingSystemName();

// Windows: the system passes VerifyVersionInfo for major.minor and the
// service-pack major, each compared with >=. Linux: the kernel release
// compared as major.minor (service pack ignored).
bool VersionAtLeast(int major, int minor, int servicePackMajor);
// Windows: not a workstation product (domain controllers count). Linux: false.
bool IsServerSystem();

// The name table behind OperatingSystemName on Windows, given the two tests.
std::wstring WindowsNameFromVersionChecks(bool isServer,
                                          const std::function<bool(int, int, int)>& atLeast);

// The "os" cookie of the reports: "windows" or "linux".
const char* OsCookieName();

// "64bit" or "32bit" for the machine (not the process).
std::wstring BitnessWord();

// The program's own version, four dot-separated numbers: its version record on
// Windows, the build's version on Linux; "1.0.0.0" when none can be read.
// Read once and cached for the process.
std::wstring OwnFileVersion();

// The per-user id: the stored "UniqueId" under kAppInfoKey used unchanged,
// unless it is empty or holds ";", a double quote or a control character (CR,
// LF, ...); then a new id (MD5 of a fresh GUID text) is made and stored
// together with an empty "OutputDir". Cached for the process.
std::wstring UniqueId();

// MD5 (RFC 1321) of the UTF-8 form of `text` (up to its first zero byte), as
// 32 upper-case hexadecimal digits. Empty only if no MD5 routine is available.
std::wstring Md5Hex(const std::wstring& text);

// The channel the program was built for: the embedded "CHANNEL" blob 138 (at
// most 260 bytes of UTF-8 are read). False, `out` unchanged, when the program
// carries none.
bool ReadChannel(std::wstring* out);

// Wide text to the system's narrow code page (CP_ACP on Windows, UTF-8 on
// Linux) and back. Characters the code page lacks become its default char.
std::string WideToSystemCodePage(const std::wstring& text);
std::wstring SystemCodePageToWide(const std::string& text);

// Replaces every occurrence of `from` (non-empty) in `text` by `to`, left to
// right, never rescanning replaced text.
void ReplaceAll(std::wstring* text, const std::wstring& from, const std::wstring& to);

// Platform parts of the probes (app_info_win.cc / app_info_linux.cc).
namespace app_info_internal {
std::wstring ReadOwnFileVersion();  // empty when unreadable
std::wstring NewGuidText();                                // empty on failure
unsigned long long MillisecondsSince1601();
// Digest of `bytes`; false when no MD5 routine is available.
bool Md5Digest(const std::string& bytes, unsigned char digest[16]);
// Forgets the cached version and unique id, as a new process would.
void ResetCachesForTesting();
}  // namespace app_info_internal
