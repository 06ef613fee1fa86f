#include "app/startup/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>

#include "base/utf.h"
#endif

namespace {

using Switches = std::map<std::wstring, std::wstring>;

// The program's own path, as the platform's splitter reports it.
std::wstring OwnPath() {
#if defined(_WIN32)
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
#else
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  return n > 0 ? nbase::UTF8ToWide(std::string(path, n)) : L"";
#endif
}

// The command line the entry point would get for `arguments` (after the
// program name). Linux puts argv[0], the program itself, in front.
NativeCommandLine CommandLineOf(const std::vector<std::wstring>& arguments) {
#if defined(_WIN32)
  std::wstring text;
  for (const std::wstring& argument : arguments) text += (text.empty() ? L"" : L" ") + argument;
  return text;
#else
  std::vector<std::wstring> argv{OwnPath()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
#endif
}

// What the program name contributes on this platform for a non-empty line.
Switches WithProgramEntry(Switches expected) {
#if !defined(_WIN32)
  expected.emplace(L"path", OwnPath());
#endif
  return expected;
}

const Switches& Parsed(const std::vector<std::wstring>& arguments) {
  EXPECT_TRUE(ParseCommandLine(CommandLineOf(arguments)));
  return CommandLineSwitches::Get().switches;
}

TEST(CommandLineTest, KeysAndValuesSplitAtTheFirstColon) {
  EXPECT_EQ(Parsed({L"mode:silent", L"ab:", L"x:y", L"flag", L"url:http://a:b"}),
            WithProgramEntry({{L"mode", L"silent"},
                              {L"ab", L""},
                              {L"", L""},
                              {L"flag", L""},
                              {L"url", L"http://a:b"}}));
}

TEST(CommandLineTest, LaterArgumentReplacesEarlierOne) {
  EXPECT_EQ(Parsed({L"key:1", L"key:2"}), WithProgramEntry({{L"key", L"2"}}));
  // A one-letter key looks like a drive letter and is dropped, so k:1 k:2
  // leave only the empty entry.
  EXPECT_EQ(Parsed({L"k:1", L"k:2"}), WithProgramEntry({{L"", L""}}));
}

TEST(CommandLineTest, ExistingFileIsStoredAsPath) {
#if defined(_WIN32)
  wchar_t dir[MAX_PATH], file[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"lc", 0, file);
  const std::wstring existing = file;
  const std::wstring missing = L"C:\\LumaCastNoSuchDir\\a.txt";
#else
  char file[] = "/tmp/lumacast-cmdline-XXXXXX";
  close(mkstemp(file));
  const std::wstring existing = nbase::UTF8ToWide(file);
  const std::wstring missing = L"C:\\LumaCastNoSuchDir\\a.txt";
#endif
  EXPECT_EQ(Parsed({existing}), (Switches{{L"path", existing}}));
  // The same shape of text for a missing file: its colon at index 1 gives
  // the empty key.
  EXPECT_EQ(Parsed({missing}), WithProgramEntry({{L"", L""}}));
#if defined(_WIN32)
  DeleteFileW(file);
#else
  std::remove(file);
#endif
}

TEST(CommandLineTest, EmptyCommandLineGivesTheProgramsOwnPath) {
#if defined(_WIN32)
  const NativeCommandLine empty = L"";
#else
  const NativeCommandLine empty{OwnPath()};
#endif
  ASSERT_TRUE(ParseCommandLine(empty));
  EXPECT_EQ(CommandLineSwitches::Get().switches, (Switches{{L"path", OwnPath()}}));
  EXPECT_EQ(CommandLineSwitches::Get().commandLine, L"");
}

}  // namespace
