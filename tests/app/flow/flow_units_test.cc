// The flow's pure pieces: the progress curve, header checks, command lines and
// the exact texts the failure page and the reports carry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/download/executable_header.h"
#include "app/flow/install_progress.h"
#include "app/flow/install_flow_results.h"
#include "app/launch/open_in_browser.h"
#include "app/setup/process_control.h"
#include "app/download/setup_download.h"
#include "app/setup/setup_run.h"

namespace {

std::wstring LabelFor(const char* percent) {
  std::string narrow = percent;
  return L"Installing, please don't close it\uFF1A" + std::wstring(narrow.begin(), narrow.end()) + L"%";
}

TEST(InstallProgressTest, FollowsDownloadThenCreepsToTheCap) {
  InstallProgress progress;
  InstallProgress::Frame frame;
  ASSERT_TRUE(progress.Update(kStateDownloading, 10, 1000, 0, &frame));
  EXPECT_EQ(frame.bar, 1);
  EXPECT_EQ(frame.label, LabelFor("1.0"));

  // The next tick shows the download share, but never less than 1.0 %.
  progress.Update(kStateDownloading, 0, 1200, 0, &frame);
  EXPECT_EQ(progress.progress(), 10);
  progress.Update(kStateDownloading, 0, 1400, 453, &frame);
  EXPECT_EQ(frame.label, LabelFor("45.3"));
  EXPECT_EQ(frame.bar, 45);
  progress.Update(kStateDownloading, 0, 1600, 1500, &frame);  // a lying total
  EXPECT_EQ(progress.progress(), 900);

  progress.Update(kStateDownloading, 900, 1800, 900, &frame);
  int ticks = 0;
  while (progress.progress() < 951) {
    progress.Update(kStateInstalling, 0, 2000, 900, &frame);
    ++ticks;
  }
  EXPECT_EQ(ticks, 17);
  EXPECT_EQ(frame.label, LabelFor("95.1"));
  ticks = 0;
  while (progress.progress() < 999) {
    progress.Update(kStateInstalling, 0, 2000, 900, &frame);
    ++ticks;
  }
  EXPECT_EQ(ticks, 24);
  progress.Update(kStateInstalling, 0, 2000, 900, &frame);
  EXPECT_EQ(progress.progress(), 999);
  EXPECT_EQ(frame.bar, 99);
  EXPECT_EQ(frame.label, LabelFor("99.9"));
}

TEST(InstallProgressTest, DrawsOnlyWhileDownloadingOrInstalling) {
  InstallProgress progress;
  InstallProgress::Frame frame;
  for (InstallerState state : {kStateWelcome, kStateInstalled, kStateDownloadFailed, kStateProductRunning,
                               kStateInstallFailed}) {
    EXPECT_FALSE(progress.Update(state, 10, 0, 0, &frame));
    EXPECT_FALSE(progress.Update(state, 0, 0, 0, &frame));
  }
  EXPECT_EQ(progress.progress(), 0);
}

TEST(InstallProgressTest, SlowDownloadAlertOnceAfterTenSecondsAcrossTickWrap) {
  InstallProgress progress;
  InstallProgress::Frame frame;
  const uint32_t start = 0xFFFFF000u;  // the 32-bit tick count wraps during the download
  progress.Update(kStateDownloading, 10, start, 0, &frame);
  progress.Update(kStateDownloading, 0, start + 10000u, 0, &frame);
  EXPECT_FALSE(frame.show_alert);
  progress.Update(kStateDownloading, 0, start + 10001u, 0, &frame);
  EXPECT_TRUE(frame.show_alert);
  progress.Update(kStateDownloading, 0, start + 20000u, 0, &frame);
  EXPECT_FALSE(frame.show_alert);
  // Installing never raises it.
  InstallProgress other;
  other.Update(kStateDownloading, 10, 0, 0, &frame);
  other.Update(kStateInstalling, 0, 60000, 0, &frame);
  EXPECT_FALSE(frame.show_alert);
}

// An in-memory file for the header checks.
struct Bytes {
  std::vector<unsigned char> data;
  ReadAtFunction Reader() const {
    return [this](uint64_t offset, void* out, size_t size) -> size_t {
      if (offset >= data.size()) return 0;
      size_t n = std::min<size_t>(size, data.size() - static_cast<size_t>(offset));
      std::memcpy(out, data.data() + offset, n);
      return n;
    };
  }
  void Put32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<unsigned char>(v >> (8 * i));
  }
};

TEST(ExecutableHeaderTest, PeHeaderChecks) {
  Bytes pe{std::vector<unsigned char>(512)};
  pe.data[0] = 'M';
  pe.data[1] = 'Z';
  pe.Put32(60, 128);
  pe.Put32(128, kPeSignature);
  ExecutableHeader header = CheckPeHeader(512, pe.Reader());
  EXPECT_TRUE(header.valid);
  EXPECT_EQ(header.magic, kMzMagic);

  pe.Put32(60, 512 - 3);  // signature would straddle the end
  header = CheckPeHeader(512, pe.Reader());
  EXPECT_FALSE(header.valid);
  EXPECT_TRUE(header.signature_read);
  EXPECT_EQ(header.signature, 0u);

  pe.Put32(60, 0xFFFFFFFEu);  // must not wrap around to a small offset
  EXPECT_EQ(CheckPeHeader(512, pe.Reader()).signature, 0u);

  Bytes html{std::vector<unsigned char>(40, '<')};
  header = CheckPeHeader(40, html.Reader());
  EXPECT_EQ(header.magic, 0);
  EXPECT_FALSE(header.signature_read);
}

TEST(ExecutableHeaderTest, ElfHeaderChecks) {
  Bytes elf{std::vector<unsigned char>(256)};
  const unsigned char ident[] = {0x7F, 'E', 'L', 'F', 2};
  std::memcpy(elf.data.data(), ident, sizeof(ident));
  elf.Put32(32, 64);  // e_phoff
  ExecutableHeader header = CheckElfHeader(256, elf.Reader());
  EXPECT_TRUE(header.valid);
  EXPECT_EQ(header.magic, kElfMagic);
  EXPECT_EQ(header.signature, kElfSignature);

  elf.Put32(32, 4096);  // program headers past the end
  header = CheckElfHeader(256, elf.Reader());
  EXPECT_FALSE(header.valid);
  EXPECT_EQ(header.signature, 0u);
}

TEST(LaunchCommandTest, ProgramQuotedArgumentsAsGiven) {
  const LaunchCommand setup = SetupCommand(L"C:\\Users\\Ann Lee\\Files\\LumaCast.exe", L"C:\\Program Files\\X");
  ASSERT_EQ(setup.args.size(), 2u);
  EXPECT_EQ(setup.args[1], L"/D=C:\\Program Files\\X");
  EXPECT_EQ(BuildCommandLine(setup), L"\"C:\\Users\\Ann Lee\\Files\\LumaCast.exe\" /S /D=C:\\Program Files\\X");
}

TEST(FlowTextsTest, ExactTextsOfPagesAndReports) {
  EXPECT_EQ(FailureReasonText(0x800C0008u, L"(download)"), L"errcode:x800c0008(download)");
  EXPECT_EQ(FailureReasonText(0, L"(Intall)"), L"errcode:x0(Intall)");
  // A setup that ran shows its exit code; one that could not start, or whose
  // run installed nothing, the system error.
  EXPECT_EQ(InstallFailureCode(7, 0), 7u);
  EXPECT_EQ(InstallFailureCode(-2, 193), 193u);
  EXPECT_EQ(InstallFailureCode(0, 2), 2u);

  DownloadStats stats;
  stats.fileSize = 10485761;
  stats.expectedSize = 10485762;
  stats.mzMagic = kMzMagic;
  stats.peSignature = kPeSignature;
  EXPECT_EQ(FormatDownloadDiagnostic(static_cast<int32_t>(0x800C0008), stats, 2, L""),
            L" hr = 800c0008 size 10485761 - 10485762 -5a4d -4550 poptime = 2");
  EXPECT_EQ(FormatDownloadDiagnostic(0, stats, 0, L"bad signer"),
            L" hr = 00000000 size 10485761 - 10485762 -5a4d -4550 poptime = 0 signature failed: bad signer");
  EXPECT_EQ(InstallFailureMessage(3, 0, stats, false), L"Install Faild ret = 3,errCode:0-5a4d-4550 fsize 10485761");
  EXPECT_EQ(InstallFailureMessage(-2, 2, stats, true),
            L"Install Faild ret = -2 errCode:2-5a4d-4550 The file was deleted by anti-virus software");

  EXPECT_EQ(ReportPathValue(L"C:\\Users\\A\"b\\Files\\"), L"C_Users_A_b_Files_");
  EXPECT_EQ(TrimUrl(L" \x01\thttps://x/a b\r\n  "), L"https://x/a b");
  EXPECT_EQ(TrimUrl(L" \x1d "), L"");
  EXPECT_EQ(TrimUrl(L" \x1f "), L"\x1f");  // only codes below 30 go
}

TEST(DownloadStatsTest, ProgressShareAndVerification) {
  DownloadStats stats;
  OnDownloadProgress(&stats, 5, 0);
  EXPECT_EQ(stats.downloadProgress.load(), 1);
  OnDownloadProgress(&stats, 1u << 30, 3u << 30);  // large values: no 32-bit overflow
  EXPECT_EQ(stats.downloadProgress.load(), 300);
  EXPECT_EQ(stats.expectedSize.load(), 3u << 30);

  std::wstring detail;
  int32_t code = 0;
  EXPECT_EQ(VerifySetupFile(L"/nonexistent/LumaCast.exe", &stats, &detail, &code), nullptr);
  EXPECT_EQ(stats.fileSize.load(), 0);
  EXPECT_EQ(code, kSetupFileMissing);
}

#if !defined(_WIN32)
// With neither xdg-open nor x-www-browser to start, the caller is told the
// page did not open, so it can show the address instead.
TEST(OpenInBrowserTest, NoOpenerIsReported) {
  const char* path = std::getenv("PATH");
  const std::string saved = path ? path : "";
  setenv("PATH", "/nonexistent-lumacast-bin", 1);
  EXPECT_FALSE(OpenInBrowser(L"https://example.invalid/"));
  setenv("PATH", saved.c_str(), 1);
}
#endif

}  // namespace
