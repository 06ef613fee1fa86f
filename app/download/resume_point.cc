#include "app/download/resume_point.h"

#include <cctype>
#include <cstdlib>

namespace {

constexpr int32_t kInetResourceNotFound = static_cast<int32_t>(0x800C0005);
constexpr int32_t kInetDownloadFailure = static_cast<int32_t>(0x800C0008);
constexpr int32_t kWriteFault = static_cast<int32_t>(0x8007001D);

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// A non-negative decimal number filling all of `text`; -1 otherwise.
int64_t ParseCount(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.size() > 18) return -1;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// "bytes first-last/total" or "bytes */total".
void ParseContentRange(std::string_view value, ResponseHead* head) {
  value = Trim(value);
  if (value.substr(0, 6) != "bytes ") return;
  value.remove_prefix(6);
  const size_t slash = value.find('/');
  if (slash == std::string_view::npos) return;
  head->range_total = ParseCount(value.substr(slash + 1));
  const std::string_view span = Trim(value.substr(0, slash));
  const size_t dash = span.find('-');
  if (span == "*" || dash == std::string_view::npos) return;
  const int64_t first = ParseCount(span.substr(0, dash));
  const int64_t last = ParseCount(span.substr(dash + 1));
  if (first < 0 || last < first) return;
  head->range_first = first;
  head->range_last = last;
}

}  // namespace

void ResponseHead::AddLine(std::string_view line) {
  line = Trim(line);
  if (line.substr(0, 5) == "HTTP/") {
    *this = ResponseHead();
    const size_t space = line.find(' ');
    if (space != std::string_view::npos) {
      const int64_t code = ParseCount(line.substr(space + 1, 3));
      status = code < 0 ? 0 : static_cast<int>(code);
    }
    return;
  }
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = Trim(line.substr(0, colon));
  const std::string_view value = Trim(line.substr(colon + 1));
  if (SameName(name, "Content-Length")) {
    content_length = ParseCount(value);
  } else if (SameName(name, "Content-Range")) {
    ParseContentRange(value, this);
  } else if (SameName(name, "ETag")) {
    etag = std::string(value);
  } else if (SameName(name, "Last-Modified")) {
    last_modified = std::string(value);
  } else if (SameName(name, "Accept-Ranges")) {
    ranges_refused = SameName(value, "none");
  }
}

void ResponseHead::AddLines(std::string_view lines) {
  while (!lines.empty()) {
    const size_t end = lines.find('\n');
    AddLine(lines.substr(0, end));
    if (end == std::string_view::npos) break;
    lines.remove_prefix(end + 1);
  }
}

std::string ResponseHead::Validator() const {
  // A weak ETag promises equivalent content, not the same bytes: nothing to
  // splice by. The date is only a fallback for servers without an ETag.
  if (!etag.empty()) return etag.front() == '"' ? etag : std::string();
  return last_modified;
}

BodyPlan PlanBody(int64_t asked_from, const PartialDownload& partial, const ResponseHead& head) {
  if (head.status == 206) {
    // A part is only worth having when it continues exactly what we keep.
    if (asked_from <= 0) return BodyPlan::kRefuse;
    const bool by_etag = !partial.validator.empty() && partial.validator.front() == '"';
    const std::string& offered = by_etag ? head.etag : head.last_modified;
    const bool same_entity = !partial.validator.empty() && offered == partial.validator;
    const bool continues = head.range_first == asked_from && head.range_total == partial.total &&
                           head.range_last == partial.total - 1;
    return same_entity && continues ? BodyPlan::kAppend : BodyPlan::kRefuse;
  }
  if (head.status >= 200 && head.status < 300) return BodyPlan::kFresh;
  return BodyPlan::kRefuse;
}

std::string ResumeRequestHeaders(const PartialDownload& partial) {
  if (!partial.Resumable() || partial.Complete()) return std::string();
  return "Range: bytes=" + std::to_string(partial.kept) + "-\r\nIf-Range: " + partial.validator + "\r\n";
}

AttemptSink::AttemptSink(PartialDownload* partial, SetupFileOut* file, const TransferProgressCallback* progress)
    : partial_(partial ? partial : &local_), file_(file), progress_(progress) {
  if (partial_->Resumable() && !partial_->Complete()) {
    asked_from_ = partial_->kept;
    counts_.file_bytes = static_cast<uint64_t>(partial_->kept);
    counts_.file_total = static_cast<uint64_t>(partial_->total);
  }
}

bool AttemptSink::Begin(const ResponseHead& head) {
  switch (PlanBody(asked_from_, *partial_, head)) {
    case BodyPlan::kRefuse: {
      const int32_t code = HresultForHttpStatus(head.status);
      failure_ = code != 0 ? code : kInetDownloadFailure;
      // A part that does not continue ours, or a range the server does not
      // have: what we kept no longer matches what is offered, and the next
      // attempt starts from byte 0. A mirror that fails outright (404, 500)
      // says nothing about the kept bytes; the next one may continue them.
      if (head.status == 206 || head.status == 416) partial_->Clear();
      return false;
    }
    case BodyPlan::kFresh:
      if (!file_->Truncate()) {
        failure_ = kWriteFault;
        partial_->Clear();
        return false;
      }
      partial_->kept = 0;
      partial_->total = head.content_length > 0 ? head.content_length : 0;
      partial_->validator = head.ranges_refused ? std::string() : head.Validator();
      counts_.file_bytes = 0;
      counts_.file_total = static_cast<uint64_t>(partial_->total);
      break;
    case BodyPlan::kAppend:
      break;
  }
  begun_ = true;
  announced_ = head.content_length;
  return Tick();
}

int32_t AttemptSink::ShortBodyFailure() const {
  const bool short_body = begun_ && announced_ >= 0 && counts_.attempt_bytes < static_cast<uint64_t>(announced_);
  return short_body ? kInetDownloadFailure : 0;
}

bool AttemptSink::Write(const void* data, size_t size) {
  if (!begun_ || stopped_) return false;
  if (size > 0 && !file_->Append(data, size)) {
    failure_ = kWriteFault;
    return false;
  }
  partial_->kept += static_cast<int64_t>(size);
  counts_.attempt_bytes += size;
  counts_.file_bytes += size;
  return Tick();
}

bool AttemptSink::Tick() {
  if (stopped_) return false;
  if (progress_ && *progress_ && !(*progress_)(counts_)) stopped_ = true;
  return !stopped_;
}

int32_t HresultForHttpStatus(int status) {
  if (status == 404) return kInetResourceNotFound;
  if (status >= 400) return kInetDownloadFailure;
  return 0;
}
