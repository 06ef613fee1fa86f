// InstallerContext: what the installer settles before the user clicks
// anything: the channel (and whether this is an upgrade installer), the
// install folder, whether an install recorded by this installer is still
// there, the folder that receives the setup package, and the package address.
// The constructor also records the channel in the per-user registry.
//
// Plain data plus construction, no window: the main window owns one (or
// derives from it) and the flow reads and updates the members. Constructed on
// the UI thread; not thread-safe afterwards. The folder and disk lookups come
// from an InstallerEnvironment, so tests can stand in for the system.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Folder numbers of the shell (CSIDL values), the only ones the installer asks for.
enum SpecialFolder : int {
  kFolderDesktop = 0x00,
  kFolderDocuments = 0x05,
  kFolderRoamingAppData = 0x1A,
  kFolderProgramFilesX86 = 0x2A,
};

// The shell folder for `csidl`, without a trailing separator; empty when it
// cannot be found. Linux: XDG equivalents (see the README).
std::wstring SpecialFolderPath(int csidl);
// The temporary folder, ending in a separator.
std::wstring TempFolderPath();
// Free bytes available to the user where `folder` is (the folder itself is
// asked, so a volume mounted inside a drive counts); false on failure.
bool FreeDiskSpace(const std::wstring& folder, uint64_t* freeBytes);

// The system lookups InstallerContext makes; tests replace single entries.
struct InstallerEnvironment {
  std::function<std::wstring(int)> specialFolder = SpecialFolderPath;
  std::function<std::wstring()> tempFolder = TempFolderPath;
  std::function<bool(const std::wstring&, uint64_t*)> freeSpace = FreeDiskSpace;
  // The channel baked into the program; false when it has none.
  std::function<bool(std::wstring*)> readChannel;  // ReadChannel when empty
};

class InstallerContext {
 public:
  // Runs the whole construction against the real system.
  InstallerContext();
  explicit InstallerContext(const InstallerEnvironment& environment);
  virtual ~InstallerContext() = default;

  // Makes `folder` usable for the download: creates it, checks that the setup
  // path stays below the system's path limit, that nobody else can swap a
  // file in it (see download_folder_safety.h), that the folder has room for
  // the package, that a file can be created and deleted in it and that
  // programs may run from it. Sets `setupFilePath` to the probe file's path.
  // An empty folder (a system folder that could not be found) fails.
  bool ProbeDownloadDir(const std::wstring& folder);

  // Free space the download folder must have: the package and some slack.
  static constexpr uint64_t kRequiredFreeBytes = 423116800;

  std::wstring packageUrl;     // the full-package address on the report host
  std::wstring downloadDir;    // ends in a separator once constructed
  std::wstring setupFilePath;  // downloadDir + "LumaCast.exe"
  std::wstring installDir;
  std::wstring channel;
  int32_t progress = 0;  // tenths of a percent, 0..999
  int32_t state = 0;     // InstallerState
  bool installedBefore = false;
  std::wstring downloadDiagnostic;
  int32_t downloadResult = 0;  // HRESULT of the last download attempt
  int32_t setupExitCode = 0;
  uint32_t setupError = 0;  // system error of the last setup launch
  int32_t retryClicks = 0;

 private:
  void Construct();
  InstallerEnvironment environment_;
};

// Fixed names of the product and its files.
inline constexpr wchar_t kProductName[] = L"LumaCast";
inline constexpr wchar_t kProductExecutable[] = L"lumacast.exe";
inline constexpr wchar_t kSetupFileName[] = L"LumaCast.exe";
inline constexpr wchar_t kDefaultChannel[] = L"default";
inline constexpr wchar_t kUpgradeMarker[] = L"upgrade";
inline constexpr wchar_t kPackageId[] = L"com.brightvale.lumacast";

// `install_dir` + separator + "lumacast.exe".
std::wstring ProductExecutablePath(const std::wstring& install_dir);
