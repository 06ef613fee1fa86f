// HttpRequest: one POST of a report over libcurl's easy interface, with the
// installer's fixed headers, the process-wide cookie table and two attempts.
//
// Created, used once and destroyed on the "http Thread"; the cookie table is
// filled on the UI thread at start-up, before the first request exists, and
// only read afterwards (it is not locked). Nothing is logged: Post returns the
// libcurl code and the caller decides (the report sender drops it). Any
// completed exchange counts as success, whatever the HTTP status.
#pragma once

#include <cstddef>
#include <map>
#include <string>

// libcurl's global set-up (curl_global_init with CURL_GLOBAL_ALL), once per
// process; never undone, since reports may be sent until the process ends.
void InitHttpGlobals();

// Cookies sent with every request, ordered by name (byte order).
std::map<std::string, std::string>& GlobalCookies();
// Replaces any entry of `name` in GlobalCookies() by (`name`, `value`).
void SetGlobalCookie(const std::string& name, const std::string& value);
// The "Cookie" header text of `cookies`: "name=value;" each, in name order.
// A cookie whose name or value holds ";", "=" (name only), a double quote or a
// control character (CR, LF, ...) would end or split the header and is left
// out.
std::string CookieHeaderText(const std::map<std::string, std::string>& cookies);

// Proxy for every request; empty (none) unless someone sets it.
std::string& DefaultProxy();

// The report endpoint, plain HTTP: "http://<report host>/caller?c=site&a=reportEvent".
const char* ReportUrl();

class HttpRequest {
 public:
  // `proxy` empty: DefaultProxy() is used when set.
  explicit HttpRequest(std::string proxy = std::string());
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Adds one header unless `name` is present (the first value stays).
  void AddHeader(const std::string& name, const std::string& value);
  // Sends `body` to url() and appends the reply body to `response`. Returns
  // the libcurl code of the last attempt: 0 after the first success, 1 when no
  // handle could be made.
  int Post(std::string* response, const std::string& body);

  // libcurl write callback: appends each block up to its first zero byte.
  static size_t AppendResponse(char* data, size_t size, size_t count, void* response);

  // The target; ReportUrl() unless changed (tests point it elsewhere).
  const std::string& url() const { return url_; }
  void set_url(std::string url) { url_ = std::move(url); }
  int attempts() const { return attempts_; }
  // Transfers actually started by the last Post.
  int attemptsMade() const { return attemptsMade_; }
  const std::map<std::string, std::string>& headers() const { return headers_; }

 private:
  void SetDefaultHeaders();
  // Merges the global cookies in, adds the "Cookie" header and hands the
  // header lines, in name order, to the handle.
  void ApplyHeaders();

  void* handle_ = nullptr;  // CURL*
  int dnsCacheTimeout_ = 60;
  int connectTimeout_ = 15;
  int attempts_ = 2;
  int timeout_ = 15;
  int attemptsMade_ = 0;
  std::map<std::string, std::string> headers_;
  std::map<std::string, std::string> cookies_;
  void* headerList_ = nullptr;  // curl_slist*
  std::string proxy_;
  std::string url_;
};
