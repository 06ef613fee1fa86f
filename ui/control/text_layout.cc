#include "ui/control/text_layout.h"

#include <algorithm>

#include "ui/render/render_context.h"

namespace ui {

namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsCjk(char16_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters in the first prefix measured for a line; each further one
// doubles.
constexpr size_t kFirstProbe = 16;

// A line may end before `text[i]` (0 < i < size).
bool IsBreakBefore(StringView text, size_t i) {
  const char16_t before = text[i - 1];
  const char16_t at = text[i];
  if (IsSpace(at) || IsLowSurrogate(at)) return false;
  return IsSpace(before) || before == u'-' || before == u'/' || before == u'\\' || IsCjk(before) || IsCjk(at);
}

size_t TrimmedEnd(StringView text, size_t start, size_t end) {
  while (end > start && IsSpace(text[end - 1])) --end;
  return end;
}

}  // namespace

int RenderTextMeasurer::Width(StringView text) {
  if (text.empty() || !context_) return 0;
  UiRect box = context_->MeasureString(text, font_id_, kTextSingleLine, 0);
  return std::max(0, box.Width() - 1);
}

int RenderTextMeasurer::LineHeight() {
  if (line_height_ < 0) {
    UiRect box = context_ ? context_->MeasureString(u"Ag", font_id_, kTextSingleLine, 0) : UiRect();
    line_height_ = std::max(1, box.Height() - 1);
  }
  return line_height_;
}

void TextLayout::Build(StringView text, int wrap_width, TextMeasurer& measurer) {
  text_ = String(text);
  lines_.clear();
  line_height_ = measurer.LineHeight();
  size_t start = 0;
  for (;;) {
    size_t brk = text_.find(u'\n', start);
    size_t end = brk == String::npos ? text_.size() : brk;
    WrapParagraph(start, end, wrap_width, measurer);
    if (brk == String::npos) break;
    start = brk + 1;
  }
}

void TextLayout::WrapParagraph(size_t start, size_t end, int wrap_width, TextMeasurer& measurer) {
  StringView text(text_);
  auto width_of = [&](size_t from, size_t to) { return measurer.Width(text.substr(from, to - from)); };
  if (wrap_width <= 0) {
    lines_.push_back({start, end, width_of(start, end)});
    return;
  }
  size_t pos = start;
  for (;;) {
    // Only the text near this line is measured: prefixes of doubling length
    // until one does not fit, so a line of L characters costs about L log L
    // measured characters whatever the length of the paragraph.
    size_t fits = pos;   // a prefix end known to fit
    int fits_width = 0;
    size_t limit = end;  // a prefix end known not to fit (end: none known)
    for (size_t step = kFirstProbe;; step *= 2) {
      size_t probe = std::min(end, pos + step);
      if (probe < end && IsLowSurrogate(text[probe])) ++probe;
      const int width = width_of(pos, probe);
      if (width <= wrap_width) {
        fits = probe;
        fits_width = width;
        if (probe == end) break;
      } else {
        limit = probe;
        break;
      }
    }
    if (fits == end) {
      lines_.push_back({pos, end, fits_width});
      return;
    }
    // A break may sit beyond `limit` after a run of spaces that are left
    // out of the line's width.
    size_t scan_end = limit;
    while (scan_end < end && IsSpace(text[scan_end])) ++scan_end;
    std::vector<size_t> breaks;
    for (size_t i = pos + 1; i <= scan_end && i < end; ++i) {
      if (IsBreakBefore(text, i)) breaks.push_back(i);
    }
    // Widths grow with the break position: the last break that fits.
    size_t lo = 0, hi = breaks.size();  // answer in [0, hi): count of breaks that fit
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      if (width_of(pos, TrimmedEnd(text, pos, breaks[mid])) <= wrap_width) lo = mid + 1;
      else hi = mid;
    }
    size_t line_end;
    if (lo > 0) {
      line_end = breaks[lo - 1];
    } else {
      // No break fits: as many characters as fit, at least one.
      size_t good = std::max(pos + 1, fits);
      if (good < end && IsLowSurrogate(text[good])) ++good;
      size_t a = good, b = limit;  // largest fitting end in [a, b)
      while (a + 1 < b) {
        size_t mid = (a + b) / 2;
        if (IsLowSurrogate(text[mid])) --mid;
        if (mid <= a) break;
        if (width_of(pos, mid) <= wrap_width) a = mid;
        else b = mid;
      }
      line_end = a;
    }
    lines_.push_back({pos, line_end, width_of(pos, TrimmedEnd(text, pos, line_end))});
    pos = line_end;
    if (pos == end) return;
  }
}

int TextLayout::Width() const {
  int width = 0;
  for (const TextLine& line : lines_) width = std::max(width, line.width);
  return width;
}

size_t TextLayout::LineOf(size_t position) const {
  for (size_t i = 0; i + 1 < lines_.size(); ++i) {
    // The next line starts at or before `position`: keep looking.
    if (position < lines_[i + 1].start) return i;
  }
  return lines_.empty() ? 0 : lines_.size() - 1;
}

int TextLayout::XOf(size_t position, TextMeasurer& measurer) const {
  if (lines_.empty()) return 0;
  const TextLine& line = lines_[LineOf(position)];
  position = std::clamp(position, line.start, line.end);
  return measurer.Width(StringView(text_).substr(line.start, position - line.start));
}

size_t TextLayout::PositionAt(size_t line_index, int x, TextMeasurer& measurer) const {
  if (lines_.empty()) return 0;
  line_index = std::min(line_index, lines_.size() - 1);
  const TextLine& line = lines_[line_index];
  StringView text(text_);
  std::vector<size_t> stops;  // character boundaries of the line
  for (size_t p = line.start;;) {
    stops.push_back(p);
    if (p >= line.end) break;
    p += (p + 1 < line.end && IsLowSurrogate(text[p + 1])) ? 2 : 1;
  }
  auto width_to = [&](size_t k) { return measurer.Width(text.substr(line.start, stops[k] - line.start)); };
  size_t lo = 0, hi = stops.size() - 1;  // the last stop not right of x
  while (lo < hi) {
    size_t mid = (lo + hi + 1) / 2;
    if (width_to(mid) <= x) lo = mid;
    else hi = mid - 1;
  }
  size_t k = lo;
  if (k + 1 < stops.size() && (x - width_to(k)) * 2 >= width_to(k + 1) - width_to(k)) ++k;
  // A wrapped line's end shows on the next line: stay on this one.
  if (k > 0 && k + 1 == stops.size() && line_index + 1 < lines_.size() && lines_[line_index + 1].start == line.end)
    --k;
  return stops[k];
}

}  // namespace ui
