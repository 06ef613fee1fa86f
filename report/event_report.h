// Event reports: small JSON documents, numbered and time-stamped, posted to the
// report endpoint from the "http Thread".
//
// ReportEvent builds the text on the calling thread (UI or Global Misc) and
// queues it; the HTTP thread sends queued reports one after another and
// nothing comes back. Report numbers ("position") are taken atomically, so
// reports built at the same time on two threads never share one. The
// installation's identity travels as cookies set once by InitReporting.
//
//   ReportEvent("OnClick", {{"ClickSrc", "btn_startinstall"}});
#pragma once

#include <ctime>
#include <map>
#include <string>

// <windows.h> maps ReportEvent to the event-log call ReportEventW; include it
// before this header (or not at all) wherever ReportEvent is called.
#ifdef ReportEvent
#undef ReportEvent
#endif

using ReportFields = std::map<std::string, std::string>;

// Program name of the "class" member and the "appname" cookie.
inline constexpr wchar_t kReportProgramName[] = L"LumaCastInstaller";

// Start-up, UI thread, after the HTTP thread runs and before any report:
// names the thread that sends reports, initialises libcurl and sets the six
// identity cookies.
void InitReporting(int reportThreadId);
// Names the thread that sends reports (InitReporting does it too); until one
// is named, or while it is not running, reports are dropped.
void SetReportThread(int identifier);
// Builds one report and queues it. UI or Global Misc thread.
void ReportEvent(const std::string& action, const ReportFields& fields);
// Hands a finished report to the report thread; dropped when it is not running.
void QueueReport(const std::string& text);

// Every byte that is not an ASCII letter or digit becomes "%XX" (upper case).
std::string Encode(const std::string& text);

// `text` as the inside of a JSON string: quote and backslash escaped, control
// characters as "\u00xx".
std::string JsonStringText(const std::string& text);

// The pieces of a report, exposed for tests.
std::string BuildDataText(const ReportFields& fields, const std::string& uniqueId);
std::string BuildReportText(const std::string& action, const ReportFields& fields,
                            const std::string& uniqueId, int position, const std::tm& localTime);
// Takes the next report number (0 for the first report of the process).
int TakeReportPosition();
