#include "report/http_request.h"

#include <curl/curl.h>

#include <cstring>

#include "config/build_config.h"

void InitHttpGlobals() {
  static const bool done = [] { return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK; }();
  (void)done;
}

std::map<std::string, std::string>& GlobalCookies() {
  static auto* cookies = new std::map<std::string, std::string>();
  return *cookies;
}

void SetGlobalCookie(const std::string& name, const std::string& value) {
  GlobalCookies().erase(name);
  GlobalCookies().emplace(name, value);
}

namespace {

bool IsCookieSafe(const std::string& text, bool is_name) {
  for (unsigned char c : text) {
    if (c == ';' || c == '"' || c < 0x20 || c == 0x7F || (is_name && c == '=')) return false;
  }
  return true;
}

}  // namespace

std::string CookieHeaderText(const std::map<std::string, std::string>& cookies) {
  std::string text;
  for (const auto& [name, value] : cookies) {
    if (name.empty() || !IsCookieSafe(name, true) || !IsCookieSafe(value, false)) continue;
    text += name + "=" + value + ";";
  }
  return text;
}

std::string& DefaultProxy() {
  static auto* proxy = new std::string();
  return *proxy;
}

const char* ReportUrl() {
  return "http://" LUMACAST_REPORT_HOST_A "/caller?c=site&a=reportEvent";
}

HttpRequest::HttpRequest(std::string proxy) : proxy_(std::move(proxy)), url_(ReportUrl()) {
  handle_ = curl_easy_init();
  SetDefaultHeaders();
}

HttpRequest::~HttpRequest() {
  if (headerList_) curl_slist_free_all(static_cast<curl_slist*>(headerList_));
  if (handle_) curl_easy_cleanup(static_cast<CURL*>(handle_));
}

void HttpRequest::SetDefaultHeaders() {
  AddHeader("Accept-Charset", "utf-8;q=0.7,*;q=0.3");
  AddHeader("Accept-Language", "en-US,en;q=0.9");
  AddHeader("Accept-Encoding", "deflate");
  AddHeader("Cache-Control", "no-cache");
  AddHeader("Connection", "close");
  AddHeader("User-Agent",
            "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like Gecko) "
            "Chrome/56.0.2924.90 Safari/537.36 2345Explorer/9.3.2.17331");
}

void HttpRequest::AddHeader(const std::string& name, const std::string& value) {
  headers_.emplace(name, value);  // keeps an existing entry
}

void HttpRequest::ApplyHeaders() {
  for (const auto& [name, value] : GlobalCookies()) cookies_.emplace(name, value);
  std::string cookieText = CookieHeaderText(cookies_);
  if (!cookieText.empty()) AddHeader("Cookie", cookieText);

  // Rebuilt from empty on every attempt: appending to the previous attempt's
  // list would send every header twice on the retry.
  if (headerList_) curl_slist_free_all(static_cast<curl_slist*>(headerList_));
  curl_slist* list = nullptr;
  for (const auto& [name, value] : headers_) {
    curl_slist* grown = curl_slist_append(list, (name + ": " + value).c_str());
    if (grown) list = grown;
  }
  headerList_ = list;
  curl_easy_setopt(static_cast<CURL*>(handle_), CURLOPT_HTTPHEADER, list);
}

int HttpRequest::Post(std::string* response, const std::string& body) {
  CURL* curl = static_cast<CURL*>(handle_);
  int result = 0;
  attemptsMade_ = 0;
  for (int attempt = 1; attempt <= attempts_; ++attempt) {
    if (!curl) {
      result = 1;
      continue;
    }
    result = curl_easy_setopt(curl, CURLOPT_URL, url_.c_str());
    if (result != CURLE_OK) continue;
    ApplyHeaders();
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HttpRequest::AppendResponse);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, response);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout_));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(timeout_));
    curl_easy_setopt(curl, CURLOPT_DNS_CACHE_TIMEOUT, static_cast<long>(dnsCacheTimeout_));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HEADER, 0L);
    if (!proxy_.empty()) {
      curl_easy_setopt(curl, CURLOPT_PROXY, proxy_.c_str());
    } else if (!DefaultProxy().empty()) {
      curl_easy_setopt(curl, CURLOPT_PROXY, DefaultProxy().c_str());
    }
    ++attemptsMade_;
    result = curl_easy_perform(curl);
    if (result == CURLE_OK) break;
  }
  return result;
}

size_t HttpRequest::AppendResponse(char* data, size_t size, size_t count, void* response) {
  size_t bytes = size * count;
  // The reply is treated as text: each block counts up to its first zero.
  static_cast<std::string*>(response)->append(data, strnlen(data, bytes));
  return bytes;
}
