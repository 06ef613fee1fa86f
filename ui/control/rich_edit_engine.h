// RichEditEngine: the text engine behind a RichEdit. The control keeps the
// attributes, the states, the caret blink and the input table; the engine
// keeps the text, lays it out, paints it and carries out editing input.
//
// One engine per system, made by CreateRichEditEngine: on Windows the
// system's text services (rich_edit_engine_win.cc), on Linux the toolkit's own
// TextBox (text_box.h). Coordinates are window pixels, like the control's.
// UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"

namespace ui {

class IRenderContext;

// How the engine shows and edits the text (from the control's attributes).
struct TextBoxFormat {
  bool multi_line = true;
  bool word_wrap = true;
  bool read_only = false;
  bool password = false;
  bool rich = false;
  uint32_t align = 0;  // kTextLeft, kTextCenter or kTextRight
  size_t max_length = 0x7FFF;
  int font_id = 1;
  ArgbColor text_color = 0xFF000000;
  bool operator==(const TextBoxFormat&) const = default;
};

class RichEditEngine {
 public:
  // What the engine asks of its control.
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // The text changed through editing input (not through SetText).
    virtual void OnEngineTextChanged() = 0;
    // Part of the control needs painting again.
    virtual void OnEngineRepaint() = 0;
    // The caret moved: a blinking caret shows at once at its new place.
    virtual void OnEngineCaretMoved() = 0;
  };

  virtual ~RichEditEngine() = default;

  virtual void SetFormat(const TextBoxFormat& format) = 0;
  virtual void SetText(StringView text) = 0;
  virtual String GetText() const = 0;
  virtual void SelectAll() = 0;
  // Replaces the selection with plain text, as typing would (limit applies).
  virtual void ReplaceSelection(StringView text) = 0;
  // Leaves the caret where it is with nothing selected.
  virtual void CollapseSelection() = 0;

  // The client rectangle (the control less its padding).
  virtual void Place(const UiRect& client) = 0;
  // The height the text needs at `width` pixels.
  virtual int NaturalHeight(int width) = 0;
  virtual void Paint(IRenderContext* context, const UiRect& dirty) = 0;
  // Where the caret is (width 1 or more); empty when there is none.
  virtual UiRect CaretRect() = 0;

  // --- Input; each returns true when the engine used it ---
  virtual void SetFocus(bool focused) = 0;
  virtual bool KeyDown(uint16_t key, uint32_t modifiers) = 0;
  virtual bool Char(char16_t ch) = 0;
  virtual bool ButtonDown(UiPoint point, uint32_t modifiers) = 0;
  virtual bool DoubleClick(UiPoint point) = 0;
  virtual bool MouseMove(UiPoint point) = 0;
  virtual bool ButtonUp(UiPoint point) = 0;
  virtual bool RButtonDown(UiPoint point) { (void)point; return false; }
  virtual bool RButtonUp(UiPoint point) { (void)point; return false; }
  // True when the engine set the cursor itself.
  virtual bool SetCursor(UiPoint point) { (void)point; return false; }
};

// The system's engine for `delegate`; null when the system has none (the
// control then only stores its attributes).
std::unique_ptr<RichEditEngine> CreateRichEditEngine(RichEditEngine::Delegate* delegate);

}  // namespace ui
