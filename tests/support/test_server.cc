#include "tests/support/test_server.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#if !defined(_WIN32)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace lumacast_test {
namespace {

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// One request to the control endpoint; false unless it answers 200.
bool ControlRequest(const std::string& path, const std::string* body, std::string* reply,
                    long timeoutMs) {
  static const bool initialised = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  (void)initialised;
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  std::string url = "http://127.0.0.1:" + std::to_string(TestServer::kWebPort) + path;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, reply);
  if (body) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
  }
  long status = 0;
  bool ok = curl_easy_perform(curl) == CURLE_OK &&
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status == 200;
  curl_easy_cleanup(curl);
  return ok;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

std::string Lower(std::string text) {
  for (auto& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& line : headerLines) {
    size_t colon = line.find(':');
    if (colon == std::string::npos || Lower(line.substr(0, colon)) != Lower(name)) continue;
    size_t start = line.find_first_not_of(" \t", colon + 1);
    return start == std::string::npos ? std::string() : line.substr(start);
  }
  return std::string();
}

TestServer::TestServer() {
  if (Ping()) {
    ok_ = Reset();
    if (!ok_) error_ = "a test server answers but refused the reset";
    return;
  }
  ok_ = StartChild();
  if (ok_) ok_ = Reset();
}

TestServer::~TestServer() {
  if (child_) {
    StopChild();
  } else if (ok_) {
    Reset();  // leave the shared server clean for the next test
  }
}

bool TestServer::Ping() const {
  std::string reply;
  return ControlRequest("/__control/ping", nullptr, &reply, 1000);
}

bool TestServer::Control(const std::string& json) {
  std::string reply;
  return ControlRequest("/__control", &json, &reply, 5000);
}

bool TestServer::Reset() { return Control("{\"cmd\":\"reset\"}"); }

bool TestServer::Push(const std::string& endpoint, const std::string& itemsJson) {
  return Control("{\"cmd\":\"push\",\"endpoint\":" + JsonString(endpoint) + ",\"items\":" +
                 itemsJson + "}");
}

bool TestServer::SetDefault(const std::string& endpoint, const std::string& itemJson) {
  return Control("{\"cmd\":\"default\",\"endpoint\":" + JsonString(endpoint) + ",\"item\":" +
                 itemJson + "}");
}

bool TestServer::SetFile(const std::string& path) {
  return Control("{\"cmd\":\"file\",\"path\":" + JsonString(path) + "}");
}

bool TestServer::UseCertificate(const std::string& cert, const std::string& key) {
  if (cert.empty()) return Control("{\"cmd\":\"tls\"}");
  return Control("{\"cmd\":\"tls\",\"cert\":" + JsonString(cert) + ",\"key\":" + JsonString(key) + "}");
}

long long TestServer::BodyBytesSent() const {
  std::string reply;
  if (!ControlRequest("/__control/stats", nullptr, &reply, 5000)) return -1;
  const std::string key = "\"total_body_bytes\": ";
  const size_t at = reply.find(key);
  return at == std::string::npos ? -1 : std::atoll(reply.c_str() + at + key.size());
}

std::vector<RecordedRequest> TestServer::Records(const std::string& endpoint) const {
  std::string blob;
  if (!ControlRequest("/__control/records", nullptr, &blob, 5000)) return {};
  std::vector<RecordedRequest> all = ParseRecords(blob);
  if (endpoint.empty()) return all;
  std::vector<RecordedRequest> matching;
  for (auto& r : all) {
    if (r.endpoint == endpoint) matching.push_back(std::move(r));
  }
  return matching;
}

std::vector<RecordedRequest> TestServer::WaitForRecords(const std::string& endpoint, size_t count,
                                                        int timeoutMs) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::vector<RecordedRequest> found = Records(endpoint);
    if (found.size() >= count || std::chrono::steady_clock::now() >= deadline) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::vector<RecordedRequest> TestServer::ParseRecords(const std::string& blob) {
  // "LUMAREC <endpoint> <port> <tls> <head bytes> <body bytes>\n" head body "\n"
  std::vector<RecordedRequest> records;
  size_t pos = 0;
  while (pos < blob.size()) {
    size_t eol = blob.find('\n', pos);
    if (eol == std::string::npos) break;
    char endpoint[32] = {};
    int port = 0, tls = 0;
    unsigned long headSize = 0, bodySize = 0;
    std::string line = blob.substr(pos, eol - pos);
    if (std::sscanf(line.c_str(), "LUMAREC %31s %d %d %lu %lu", endpoint, &port, &tls, &headSize,
                    &bodySize) != 5 ||
        eol + 1 + headSize + bodySize + 1 > blob.size()) {
      break;
    }
    RecordedRequest r;
    r.endpoint = endpoint;
    r.port = port;
    r.tls = tls != 0;
    r.head = blob.substr(eol + 1, headSize);
    r.body = blob.substr(eol + 1 + headSize, bodySize);
    size_t start = 0;
    bool first = true;
    while (start < r.head.size()) {
      size_t end = r.head.find('\n', start);
      if (end == std::string::npos) end = r.head.size();
      std::string text = r.head.substr(start, end - start);
      if (!text.empty() && text.back() == '\r') text.pop_back();
      start = end + 1;
      if (text.empty()) break;
      if (first) {
        r.requestLine = text;
        first = false;
      } else {
        r.headerLines.push_back(text);
      }
    }
    records.push_back(std::move(r));
    pos = eol + 1 + headSize + bodySize + 1;
  }
  return records;
}

#if defined(_WIN32)

bool TestServer::StartChild() {
  error_ =
      "no test server answers on " + Host(kWebPort) + "; start one with: python3 "
      "tools/test_server/test_server.py start --state-dir <dir> --web-port " + std::to_string(kWebPort) +
      " ... (ctest does it for tests that require the lumacast_test_server fixture)";
  return false;
}

void TestServer::StopChild() {}

#else

bool TestServer::StartChild() {
  std::string python = LUMACAST_PYTHON3;
  std::string script = std::string(LUMACAST_SOURCE_DIR) + "/tools/test_server/test_server.py";
  std::vector<std::string> args = {python, script, "serve",
                                   "--report-port", std::to_string(kReportPort),
                                   "--cdn-port", std::to_string(kCdnPort),
                                   "--web-port", std::to_string(kWebPort),
                                   "--serve-dir", LUMACAST_SERVE_DIR};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, python.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    error_ = "could not start " + python;
    return false;
  }
  child_ = pid;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Ping()) return true;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      child_ = 0;
      error_ = "the test server exited at start (ports in use?)";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  error_ = "the test server did not answer within 20 s";
  StopChild();
  return false;
}

void TestServer::StopChild() {
  if (!child_) return;
  pid_t pid = static_cast<pid_t>(child_);
  kill(pid, SIGTERM);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  child_ = 0;
}

#endif

}  // namespace lumacast_test
