#include "tests/app/flow/flow_harness.h"

#include <cstdlib>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <thread>

#include "app/download/setup_download.h"
#include "app/startup/worker_thread.h"
#include "app/startup/thread_ids.h"
#include "base/framework_thread.h"
#include "base/thread_registry.h"
#include "base/utf.h"
#include "report/event_report.h"

#if !defined(_WIN32)
#include <curl/curl.h>

#include <cstring>
#endif

namespace flow_test {

namespace {

class UiThread : public nbase::FrameworkThread {
 public:
  UiThread() : FrameworkThread("MainThread") {}
  ~UiThread() override { Stop(); }

 protected:
  void OnThreadStart() override { registered_ = nbase::ThreadRegistry::Get().BindIdentifier(kUiThreadId); }
  void OnThreadStop() override {
    if (registered_) nbase::ThreadRegistry::Get().ReleaseIdentifier();
  }

 private:
  bool registered_ = false;
};

struct FlowThreads {
  // Plain loops: the flow needs posted and delayed tasks on the UI thread,
  // no window messages.
  UiThread ui;
  WorkerThread misc{"Global Misc Thread", kMiscThreadId};
  WorkerThread http{"http Thread", kHttpThreadId};
  bool ok = false;
};

FlowThreads* Threads() {
  // Kept to process end: the workers must outlive every flow of every test.
  static FlowThreads* threads = [] {
    auto* t = new FlowThreads;
    t->ok = t->http.Launch() && t->misc.Launch() && t->ui.Launch();
    return t;
  }();
  return threads;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() + 0 && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The flat {"k":"v",...} objects the reports use: no nesting, no escapes.
std::vector<std::pair<std::string, std::string>> ParseFlatObject(const std::string& json) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t at = 0;
  while (true) {
    size_t k1 = json.find('"', at);
    if (k1 == std::string::npos) break;
    size_t k2 = json.find('"', k1 + 1);
    size_t v1 = json.find('"', k2 + 1);
    size_t v2 = json.find('"', v1 + 1);
    if (k2 == std::string::npos || v1 == std::string::npos || v2 == std::string::npos) break;
    pairs.emplace_back(json.substr(k1 + 1, k2 - k1 - 1), json.substr(v1 + 1, v2 - v1 - 1));
    at = v2 + 1;
  }
  return pairs;
}

}  // namespace

bool EnsureFlowThreads() {
  static bool initialised = false;
  if (!Threads()->ok) return false;
  if (!initialised) {
    initialised = RunOnUi([] { InitReporting(kHttpThreadId); });
  }
  return initialised;
}

bool RunOnUi(std::function<void()> task) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  if (!nbase::ThreadRegistry::Get().Post(kUiThreadId, [task, done] {
        task();
        done->set_value();
      })) {
    return false;
  }
  return finished.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
}

void RecordingView::Add(std::string line) {
  std::lock_guard<std::mutex> hold(lock_);
  lines_.push_back(std::move(line));
  changed_.notify_all();
}

void RecordingView::SetVisible(const std::wstring& name, bool visible) {
  Add((visible ? "show " : "hide ") + nbase::WideToUTF8(name));
}

void RecordingView::SetText(const std::wstring& name, const std::wstring& text) {
  Add("text " + nbase::WideToUTF8(name) + " " + nbase::WideToUTF8(text));
}

void RecordingView::SetProgressValue(int value) {
  std::lock_guard<std::mutex> hold(lock_);
  progress_.push_back(value);
}

void RecordingView::CollapseCustomizeBar() { Add("collapse"); }

void RecordingView::AskQuestion(const QuestionBox& box, MsgBoxCallback answer) {
  MsgBoxRet choice = answerer ? answerer(box) : kMsgBoxNo;
  Add("question " + nbase::WideToUTF8(box.yes_text) + "|" + nbase::WideToUTF8(box.no_text) + " -> " +
      (choice == kMsgBoxYes ? "yes" : "no"));
  nbase::ThreadRegistry::Get().Post(kUiThreadId, [answer, choice] { answer(choice); });
}

void RecordingView::ShowErrorNote(const std::wstring& text, const std::wstring& title) {
  Add("note " + nbase::WideToUTF8(title) + "|" + nbase::WideToUTF8(text));
}

void RecordingView::ShowNote(const std::wstring& text, const std::wstring& title) { ShowErrorNote(text, title); }

void RecordingView::BringToFront() { Add("front"); }
void RecordingView::Close() { Add("close"); }

bool RecordingView::WaitForLine(const std::string& line, std::chrono::milliseconds timeout) {
  return !WaitForEither(line, line, timeout).empty();
}

std::string RecordingView::WaitForEither(const std::string& a, const std::string& b,
                                         std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(lock_);
  std::string seen;
  changed_.wait_for(hold, timeout, [&] {
    for (const std::string& l : lines_) {
      if (l == a || l == b) {
        seen = l;
        return true;
      }
    }
    return false;
  });
  return seen;
}

std::vector<std::string> RecordingView::Lines() {
  std::lock_guard<std::mutex> hold(lock_);
  return lines_;
}

size_t RecordingView::Count(const std::string& line) {
  std::lock_guard<std::mutex> hold(lock_);
  size_t n = 0;
  for (const std::string& l : lines_) n += l == line;
  return n;
}

std::string RecordingView::LastText(const std::string& name) {
  std::lock_guard<std::mutex> hold(lock_);
  const std::string prefix = "text " + name + " ";
  std::string text;
  for (const std::string& l : lines_) {
    if (l.compare(0, prefix.size(), prefix) == 0) text = l.substr(prefix.size());
  }
  return text;
}

std::vector<int> RecordingView::ProgressValues() {
  std::lock_guard<std::mutex> hold(lock_);
  return progress_;
}

std::string Report::Field(const std::string& name) const {
  for (const auto& f : fields) {
    if (f.first == name) return f.second;
  }
  return "<missing>";
}

std::vector<std::string> Report::FieldNames() const {
  std::vector<std::string> names;
  for (const auto& f : fields) names.push_back(f.first);
  return names;
}

std::vector<Report> DecodeReports(const std::vector<lumacast_test::RecordedRequest>& records) {
  std::vector<Report> reports;
  for (const auto& record : records) {
    if (record.endpoint != "report") continue;
    Report report;
    for (const auto& [name, value] : ParseFlatObject(record.body)) {
      if (name == "action") report.action = value;
      if (name != "data") continue;
      for (auto& [field, encoded] : ParseFlatObject(PercentDecode(value))) {
        if (field != "imei") report.fields.emplace_back(field, PercentDecode(encoded));
      }
    }
    reports.push_back(std::move(report));
  }
  return reports;
}

void SetEnv(const std::string& name, const std::string& value) {
#if defined(_WIN32)
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

std::string ReadFileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

#if !defined(_WIN32)
namespace {

// The server's own certificate, asked for without verification.
bool SaveServerCertificate(const std::filesystem::path& file) {
  CURL* curl = curl_easy_init();
  const std::string url = "https://" + lumacast_test::TestServer::Host(lumacast_test::TestServer::kReportPort) +
                          "/caller?c=site&a=reportEvent";
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(curl, CURLOPT_CERTINFO, 1L);
  curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  std::string pem;
  if (curl_easy_perform(curl) == CURLE_OK) {
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CERTINFO, &info) == CURLE_OK && info && info->num_of_certs > 0) {
      for (curl_slist* item = info->certinfo[0]; item; item = item->next) {
        if (std::strncmp(item->data, "Cert:", 5) == 0) pem = item->data + 5;
      }
    }
  }
  curl_easy_cleanup(curl);
  std::ofstream(file, std::ios::binary) << pem;
  return !pem.empty();
}

}  // namespace
#endif

TrustedPackageMirror::TrustedPackageMirror(lumacast_test::TestServer* server, const std::filesystem::path& folder,
                                           const std::string& tls_cert, const std::string& tls_key)
    : server_(server) {
#if defined(_WIN32)
  (void)folder;
  ok_ = server->UseCertificate(tls_cert, tls_key);
#else
  (void)tls_cert;
  (void)tls_key;
  const std::filesystem::path pem = folder / "server.pem";
  ok_ = SaveServerCertificate(pem);
  if (ok_) TrustCertificatesForTesting(pem.wstring());
#endif
}

TrustedPackageMirror::~TrustedPackageMirror() {
#if defined(_WIN32)
  server_->UseCertificate("", "");
#else
  TrustCertificatesForTesting(L"");
#endif
}

}  // namespace flow_test
