// Resuming the setup download where an earlier attempt was cut off.
//
// An attempt that ends early (a dropped connection, a stall, a time-out)
// leaves part of the package in the setup file. The next attempt, on either
// mirror and also after "Try Again", asks only for the rest: "Range: bytes=N-"
// with "If-Range:" carrying the validator the kept bytes came with (a strong
// ETag, else the Last-Modified date). Its answer decides:
//
//   206 starting at N, same total, same validator  -> append to the kept bytes
//   200                                            -> start the file afresh
//   416, another range or total, anything else     -> refuse; start afresh next
//
// A body that carries no strong validator cannot be resumed: what it leaves
// is dropped before the next attempt. The whole file is verified as always,
// and a file that fails verification is never resumed.
//
// Pure logic shared by both systems: the platform half feeds in the response
// head and the body and writes through its own file (`SetupFileOut`).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The parts of an HTTP response head that matter for resuming.
struct ResponseHead {
  int status = 0;
  int64_t content_length = -1;  // -1: not announced
  // Content-Range "bytes first-last/total"; -1 when absent or unreadable.
  int64_t range_first = -1;
  int64_t range_last = -1;
  int64_t range_total = -1;
  std::string etag;           // as sent, "W/" of a weak one included
  std::string last_modified;  // as sent
  bool ranges_refused = false;  // "Accept-Ranges: none"

  // Takes one line of the head (line end optional). A status line starts a
  // new head, so the lines of every response of a redirect chain can be fed
  // in and the last response's head remains.
  void AddLine(std::string_view line);
  // Takes a whole raw head, lines separated by CRLF or LF.
  void AddLines(std::string_view lines);
  // The strong validator for If-Range: the ETag unless weak, else the date.
  std::string Validator() const;
};

// What the setup file holds between attempts. `kept` bytes of a file of
// `total` bytes, written by us from a response with `validator`; `file_id`
// names the file itself (device and inode, volume and index) so a file put in
// its place is never continued.
struct PartialDownload {
  int64_t kept = 0;
  int64_t total = 0;
  std::string validator;
  uint64_t file_id[2] = {0, 0};

  // Worth continuing: some bytes, a known total, a validator to check them by.
  bool Resumable() const { return kept > 0 && total > 0 && kept <= total && !validator.empty(); }
  // All bytes are there already: nothing to ask the server for.
  bool Complete() const { return Resumable() && kept == total; }
  void Clear() { *this = PartialDownload(); }
};

// What an attempt does with the body of the response it got.
enum class BodyPlan {
  kAppend,  // a 206 continuing the kept bytes
  kFresh,   // write it from byte 0 (a 200, or no range was asked)
  kRefuse,  // write nothing; the attempt fails
};

// `asked_from`: the range start the request asked for, 0 when it asked for
// the whole file. `partial` is the record the request was built from.
BodyPlan PlanBody(int64_t asked_from, const PartialDownload& partial, const ResponseHead& head);

// The request headers of an attempt that continues `partial`, each ended by
// CRLF: "Range: bytes=N-" and "If-Range: ..."; empty when nothing is resumed.
std::string ResumeRequestHeaders(const PartialDownload& partial);

// Bytes of one attempt, for the progress bar and the stall rule.
struct TransferProgress {
  uint64_t attempt_bytes = 0;  // body bytes this attempt has received
  uint64_t file_bytes = 0;     // bytes of the whole file now on disk
  uint64_t file_total = 0;     // the whole file's size, 0 while unknown
};

// Called at least once a second while a transfer runs; false ends it.
using TransferProgressCallback = std::function<bool(const TransferProgress&)>;

// The setup file as one attempt writes it: our own descriptor or handle.
class SetupFileOut {
 public:
  virtual ~SetupFileOut() = default;
  // Empties the file (a fresh body follows).
  virtual bool Truncate() = 0;
  // Appends `size` bytes at the end.
  virtual bool Append(const void* data, size_t size) = 0;
};

// One attempt's response, from its head to its last byte: plans the body
// against the kept bytes, writes it, keeps `partial` up to date and reports
// progress.
class AttemptSink {
 public:
  // `partial` may be null (no resuming: every body starts the file afresh).
  AttemptSink(PartialDownload* partial, SetupFileOut* file, const TransferProgressCallback* progress);

  // Where the request asked to start (0: the whole file).
  int64_t asked_from() const { return asked_from_; }
  // The head of the response whose body follows. False when the body is
  // refused; `failure()` then says why.
  bool Begin(const ResponseHead& head);
  // The next piece of the body. False when writing failed or the progress
  // callback ended the transfer.
  bool Write(const void* data, size_t size);
  // Reports the byte counts again (a watchdog tick); false ends the transfer.
  bool Tick();

  // At the end of a transfer the system called a success: the failure when
  // the body stopped short of its announced length (a cut connection that
  // the transport took for the end), else 0.
  int32_t ShortBodyFailure() const;

  bool begun() const { return begun_; }
  // The HRESULT for a refused response or a failed write; 0 when none.
  int32_t failure() const { return failure_; }
  // True when the progress callback ended the transfer.
  bool stopped() const { return stopped_; }

 private:
  PartialDownload* partial_;
  PartialDownload local_;  // stands in when no record is kept
  SetupFileOut* file_;
  const TransferProgressCallback* progress_;
  int64_t asked_from_ = 0;
  int64_t announced_ = -1;  // Content-Length of the body being written
  TransferProgress counts_;
  bool begun_ = false;
  bool stopped_ = false;
  int32_t failure_ = 0;
};

// HTTP errors as the URL moniker's codes, the same on both systems: 404 is
// INET_E_RESOURCE_NOT_FOUND, any other status from 400 up (and a refused
// answer to a range request) INET_E_DOWNLOAD_FAILURE; 0 below 400.
int32_t HresultForHttpStatus(int status);
