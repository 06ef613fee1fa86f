#include "report/event_report.h"

#include <atomic>
#include <cstdio>
#include <memory>

#include "base/thread_registry.h"
#include "base/utf.h"
#include "base/time.h"
#include "platform/app_info.h"
#include "report/http_request.h"

namespace {

std::atomic<int> reportPosition{0};
// Thread identifier that sends reports; none until start-up names it.
std::atomic<int> reportThread{-1};

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

std::string JsonStringText(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20) {
      out += "\\u00";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string BuildDataText(const ReportFields& fields, const std::string& uniqueId) {
  std::string data = "{";
  for (const auto& [name, value] : fields) {
    data += "\"" + name + "\":\"" + Encode(value) + "\",";
  }
  // The id is read from the user's registry, so it may hold anything.
  data += "\"imei\":\"" + JsonStringText(uniqueId) + "\"}";
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

void SetReportThread(int identifier) { reportThread = identifier; }

void InitReporting(int reportThreadId) {
  SetReportThread(reportThreadId);
  InitHttpGlobals();
  SetGlobalCookie("appver", nbase::WideToUTF8(OwnFileVersion()));
  SetGlobalCookie("os", OsCookieName());
  SetGlobalCookie("imei", nbase::WideToUTF8(UniqueId()));
  SetGlobalCookie("appname", nbase::WideToUTF8(kReportProgramName));
  SetGlobalCookie("system", nbase::WideToUTF8(OperatingSystemName() + L" " + BitnessWord()));
  std::wstring channel = L"default";
  ReadChannel(&channel);
  SetGlobalCookie("channel", nbase::WideToUTF8(channel));
}

void ReportEvent(const std::string& action, const ReportFields& fields) {
  std::string uniqueId = WideToSystemCodePage(UniqueId());
  QueueReport(BuildReportText(action, fields, uniqueId, TakeReportPosition(), nbase::LocalTimeNow()));
}

void QueueReport(const std::string& text) {
  auto owned = std::make_shared<std::string>(text);
  nbase::ThreadRegistry::Get().Post(reportThread.load(), [owned] {
    HttpRequest request;
    std::string response;
    request.Post(&response, *owned);  // the outcome changes nothing
  });
}
