// The result pages of the install flow: their texts and report values (pure
// functions, any thread) and the notes the flow shows on the way. The steps
// that show the pages are InstallFlow's, in install_flow_results.cc.
//
// Report values that carry Chinese words are narrow strings in code page 936,
// as the report server expects them, whatever the local code page is.
#pragma once

#include <cstdint>
#include <string>

#include "app/download/setup_download.h"

// "btn_exit" values of the "OnClick" report.
inline constexpr char kQuitInstalledAfterFailure[] = "Failed \xD2\xD1\xB0\xB2\xD7\xB0";   // "Failed 已安装"
inline constexpr char kQuitInstalled[] = "Start (\xD2\xD1\xB0\xB2\xD7\xB0)";              // "Start (已安装)"
inline constexpr char kQuitNotInstalled[] = "Failed \xCE\xB4\xB0\xB2\xD7\xB0";            // "Failed 未安装"

// "errcode:x80004005(download)": the code in lower-case hexadecimal without
// leading zeros, directly followed by the stage.
std::wstring FailureReasonText(uint32_t code, const wchar_t* stage);

// The code the failure page shows for a setup stage that failed: the system
// error when the setup could not be started, its exit code could not be read
// or it installed nothing; otherwise the exit code of the setup that ran.
uint32_t InstallFailureCode(int32_t exit_code, uint32_t error);

// The message reported when the download failed.
std::wstring DownloadFailureMessage(const std::wstring& diagnostic);

// The message reported when the setup failed. When the setup file had vanished
// after the runs, the anti-virus variant is used.
std::wstring InstallFailureMessage(int32_t exit_code, uint32_t error, const DownloadStats& stats,
                                   bool file_vanished);

// The note shown (without owner) after the failure page when the file vanished.
inline constexpr wchar_t kVanishedFileNote[] =
    L"The file was deleted by anti-virus software or firewall, please close it and try again!";
inline constexpr wchar_t kVanishedFileTitle[] = L"Error";

// The note shown when a running product could not be ended; the question
// about the running product follows again.
inline constexpr wchar_t kProductNotEndedNote[] =
    L"\"LumaCast\" could not be closed. Please close it yourself, then click \"Try Again\".";
inline constexpr wchar_t kProductNotEndedTitle[] = L"Note";

// The title of the flow's note boxes.
inline constexpr wchar_t kNoteTitle[] = L"Note";

// The note shown when a web page could not be opened: the address, for the
// user to open by hand.
std::wstring PageNotOpenedNote(const std::wstring& url);

// The note shown when the installed product could not be started.
inline constexpr wchar_t kProductNotStartedNote[] = L"\"LumaCast\" could not be started.";
inline constexpr wchar_t kProductNotStartedTitle[] = L"Error";
