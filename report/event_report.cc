#include "report/event_report.h"

#include <atomic>
#include <cstdio>
#include <memory>

#include "app/thread_ids.h"
#include "base/thread_registry.h"
#include "base/utf.h"
#include "report/app_info.h"
#include "report/http_request.h"
#include "ui/core/dpi_scale.h"

namespace {

std::atomic<int> reportPosition{0};

#if defined(_WIN32)
constexpr char kOsCookie[] = "windows";
#else
constexpr char kOsCookie[] = "linux";
#endif

std::tm LocalTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts = {};
#if defined(_WIN32)
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  return parts;
}

}  // namespace

std::string Encode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

std::string BuildDataText(const ReportFields& fields, const std::string& uniqueId) {
  std::string data = "{";
  for (const auto& [name, value] : fields) {
    data += "\"" + name + "\":\"" + Encode(value) + "\",";
  }
  data += "\"imei\":\"" + uniqueId + "\"}";
  return data;
}

std::string BuildReportText(const std::string& action, const ReportFields& fields,
                            const std::string& uniqueId, int position, const std::tm& localTime) {
  char time[64];
  std::snprintf(time, sizeof(time), "%04d-%02d-%02d %02d:%02d:%02d", localTime.tm_year + 1900,
                localTime.tm_mon + 1, localTime.tm_mday, localTime.tm_hour, localTime.tm_min,
                localTime.tm_sec);
  std::string text = "{";
  text += "\"a\":\"reportEvent\",";
  text += "\"action\":\"" + action + "\",";
  text += "\"c\":\"site\",";
  text += "\"class\":\"" + WideToSystemCodePage(kReportProgramName) + "\",";
  text += "\"data\":\"" + Encode(BuildDataText(fields, uniqueId)) + "\",";
  text += "\"position\":\"" + std::to_string(position) + "\",";
  text += "\"result\":\"ok\",";
  text += "\"time_create\":\"" + Encode(time) + "\"}";
  return text;
}

int TakeReportPosition() { return reportPosition.fetch_add(1); }

void InitReporting() {
  InitHttpGlobals();
  SetGlobalCookie("appver", nbase::WideToUTF8(FileVersion()));
  SetGlobalCookie("os", kOsCookie);
  SetGlobalCookie("imei", nbase::WideToUTF8(UniqueId()));
  SetGlobalCookie("appname", nbase::WideToUTF8(kReportProgramName));
  SetGlobalCookie("system", nbase::WideToUTF8(OperatingSystemName() + L" " + BitnessWord()));
  std::wstring channel = L"default";
  ReadChannel(&channel);
  SetGlobalCookie("channel", nbase::WideToUTF8(channel));
}

void SendAppStartReport() {
  ui::DpiScale& scale = ui::DpiScale::Get();
  ReportFields fields;
  fields["FirstStart"] = "true";
  fields["Dpi"] = std::to_string(scale.SystemDpi());
  fields["Scale"] = std::to_string(scale.IsAdapted() ? scale.CurrentScale() : 100);
  ReportEvent("AppStart", fields);
}

void ReportEvent(const std::string& action, const ReportFields& fields) {
  std::string uniqueId = WideToSystemCodePage(UniqueId());
  QueueReport(BuildReportText(action, fields, uniqueId, TakeReportPosition(), LocalTimeNow()));
}

void QueueReport(const std::string& text) {
  auto owned = std::make_shared<std::string>(text);
  nbase::ThreadRegistry::Get().Post(kHttpThreadId, [owned] {
    HttpRequest request;
    std::string response;
    request.Post(&response, *owned);  // the outcome changes nothing
  });
}
