// TestServer: the local report/package/CDN/web server (tools/test_server) for
// tests, on 127.0.0.1 and the ports of this build's LUMACAST_*_HOST settings
// (47801-47803 in the presets), which the program under test uses too.
//
// Construction attaches to a server that already answers (the one ctest
// starts for the tests that require the "lumacast_test_server" fixture, and
// the only way under Wine) and resets it; otherwise, on Linux, it starts its
// own python3 child and waits for it, bounded. The destructor stops a server
// it started. The server has one set of queues and records: ctest runs the
// tests that use it one at a time (resource lock "lumacast_test_server").
// It serves only files inside this build tree. Everything goes through the control endpoint on the web port,
// so a Windows test under Wine needs no access to Linux files or processes.
// Use from one thread.
#pragma once

#include <string>
#include <vector>

namespace lumacast_test {

// One request exactly as the server received it.
struct RecordedRequest {
  std::string endpoint;  // "report", "package", "cdn" or "other"
  int port = 0;
  bool tls = false;
  std::string head;                      // request line and headers, raw
  std::string requestLine;               // without the line end
  std::vector<std::string> headerLines;  // in arrival order, without line ends
  std::string body;
  // Value of the first header named `name` (ASCII case ignored), trimmed.
  std::string Header(const std::string& name) const;
};

class TestServer {
 public:
  static constexpr int kReportPort = LUMACAST_TEST_REPORT_PORT;  // reports and the package
  static constexpr int kCdnPort = LUMACAST_TEST_CDN_PORT;
  static constexpr int kWebPort = LUMACAST_TEST_WEB_PORT;  // web pages and /__control
  // "127.0.0.1:<port>".
  static std::string Host(int port) { return "127.0.0.1:" + std::to_string(port); }

  TestServer();
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // False, with error() saying why, when no server could be reached.
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }

  // Control commands (see tools/test_server/README.md); JSON given as text.
  bool Reset();
  // Appends fault items (a JSON array) to the queue of "report", "package" or "cdn".
  bool Push(const std::string& endpoint, const std::string& itemsJson);
  // The item used once the queue of `endpoint` is empty (a JSON object).
  bool SetDefault(const std::string& endpoint, const std::string& itemJson);
  // The file the download endpoints serve (a path in the build tree).
  bool SetFile(const std::string& path);
  // The certificate and key (PEM paths the server can open) TLS presents until
  // the next Reset; empty `cert` restores the server's own self-signed one.
  bool UseCertificate(const std::string& cert, const std::string& key);

  // Every request recorded since the last reset, optionally of one endpoint.
  std::vector<RecordedRequest> Records(const std::string& endpoint = std::string()) const;
  // Polls until `endpoint` has at least `count` records or `timeoutMs` passes.
  std::vector<RecordedRequest> WaitForRecords(const std::string& endpoint, size_t count,
                                              int timeoutMs) const;

  // Body bytes the download endpoints have sent since the last reset, in all;
  // -1 when the server cannot tell.
  long long BodyBytesSent() const;

  static std::vector<RecordedRequest> ParseRecords(const std::string& blob);

 private:
  bool Control(const std::string& json);
  bool Ping() const;
  bool StartChild();
  void StopChild();

  bool ok_ = false;
  std::string error_;
  long child_ = 0;  // pid of a server we started, 0 when attached
};

}  // namespace lumacast_test
