// TextLayout: the lines of a text box's text for a given width, and the
// geometry a caret, a selection and a mouse click need.
//
// Lines end at each '\n' and, when wrapping, at the last break opportunity
// that fits (after a run of spaces, after '-', '/' or '\\', between CJK
// characters); a word longer than the width is cut between characters. At
// least one character goes on every line, so wrapping always ends. Widths
// come from a TextMeasurer, so the layout is the same arithmetic on every
// system and can be tested with a fake measurer.
//
// Cost: each line measures only the text near it (prefixes of doubling
// length, then a binary search), about L log L characters for a line of L,
// so a paragraph of n characters costs O(n log L), not O(n^2) (an edit's
// 32,767 unbroken characters re-laid out on every keystroke).
#pragma once

#include <cstddef>
#include <vector>

#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

class IRenderContext;

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // Width in pixels of `text` on one line.
  virtual int Width(StringView text) = 0;
  virtual int LineHeight() = 0;
};

// Measures with a render context and a font of the resource manager.
class RenderTextMeasurer : public TextMeasurer {
 public:
  RenderTextMeasurer(IRenderContext* context, int font_id) : context_(context), font_id_(font_id) {}
  int Width(StringView text) override;
  int LineHeight() override;

 private:
  IRenderContext* context_;
  int font_id_;
  int line_height_ = -1;
};

struct TextLine {
  size_t start = 0;  // first unit of the line
  size_t end = 0;    // one past its last unit (a '\n' is not part of a line)
  int width = 0;     // pixels, trailing spaces of a wrapped line left out
};

class TextLayout {
 public:
  // Lays out `text`; `wrap_width` <= 0 wraps only at '\n'.
  void Build(StringView text, int wrap_width, TextMeasurer& measurer);

  const std::vector<TextLine>& Lines() const { return lines_; }
  int LineHeight() const { return line_height_; }
  int Height() const { return static_cast<int>(lines_.size()) * line_height_; }
  // The widest line.
  int Width() const;

  // The line holding `position`. A position where a wrapped line ends
  // belongs to the next line (the caret shows at its start).
  size_t LineOf(size_t position) const;
  // Pixels from the line's left edge to `position`.
  int XOf(size_t position, TextMeasurer& measurer) const;
  // The position on `line` nearest to `x` (pixels from the line's left edge).
  size_t PositionAt(size_t line, int x, TextMeasurer& measurer) const;

 private:
  void WrapParagraph(size_t start, size_t end, int wrap_width, TextMeasurer& measurer);

  String text_;
  std::vector<TextLine> lines_;
  int line_height_ = 0;
};

}  // namespace ui
