// A process-wide stand-in for the installer's threads, and a recording view,
// so tests run the real install flow in-process against the local server.
//
// FlowThreads starts a UI thread (kUiThreadId), the Global Misc Thread and the
// http Thread once for the whole test program and initialises reporting.
// RecordingView keeps every view call as a line (like the console driver's)
// and lets a test wait for one, bounded. Reports are read back from the
// server's records and decoded into their action and ordered fields.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/flow/flow_view.h"
#include "tests/support/test_server.h"

namespace flow_test {

// Runs `task` on the UI thread and waits for it (at most 30 s).
bool RunOnUi(std::function<void()> task);

// Starts the threads on first use; true when they run.
bool EnsureFlowThreads();

class RecordingView : public FlowView {
 public:
  // Decides the answer of a question box, on the UI thread, when it is shown.
  std::function<MsgBoxRet(const QuestionBox&)> answerer;

  void SetVisible(const std::wstring& name, bool visible) override;
  void SetText(const std::wstring& name, const std::wstring& text) override;
  void SetProgressValue(int value) override;
  void CollapseCustomizeBar() override;
  void AskQuestion(const QuestionBox& box, MsgBoxCallback answer) override;
  void ShowErrorNote(const std::wstring& text, const std::wstring& title) override;
  // Recorded like an error note: "note <title>|<text>".
  void ShowNote(const std::wstring& text, const std::wstring& title) override;
  void BringToFront() override;
  void Close() override;

  // Waits until a line equal to `line` was recorded; false after `timeout`.
  bool WaitForLine(const std::string& line, std::chrono::milliseconds timeout);
  // Waits for either line; returns the one seen, or empty after `timeout`.
  std::string WaitForEither(const std::string& a, const std::string& b, std::chrono::milliseconds timeout);
  std::vector<std::string> Lines();
  size_t Count(const std::string& line);
  // The text of the last "text <name> ..." line for `name`.
  std::string LastText(const std::string& name);
  std::vector<int> ProgressValues();

 private:
  void Add(std::string line);

  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  std::vector<int> progress_;
};

struct Report {
  std::string action;
  std::vector<std::pair<std::string, std::string>> fields;  // decoded, "imei" left out
  std::string Field(const std::string& name) const;
  std::vector<std::string> FieldNames() const;
};

// The reports among `records`, in arrival order.
std::vector<Report> DecodeReports(const std::vector<lumacast_test::RecordedRequest>& records);

// Makes the secure package address one the download trusts, for the life of
// the object. Linux: libcurl trusts the server's own self-signed certificate
// (saved into `folder`). Windows: the server presents `tls_cert` (with
// `tls_key`), issued by the test root the Wine prefix trusts, so the system's
// verification passes.
class TrustedPackageMirror {
 public:
  TrustedPackageMirror(lumacast_test::TestServer* server, const std::filesystem::path& folder,
                       const std::string& tls_cert, const std::string& tls_key);
  ~TrustedPackageMirror();
  bool ok() const { return ok_; }

 private:
  lumacast_test::TestServer* server_;
  bool ok_ = false;
};

void SetEnv(const std::string& name, const std::string& value);
std::string ReadFileText(const std::filesystem::path& path);
// Polls `condition` every 50 ms up to `timeout`.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

}  // namespace flow_test
