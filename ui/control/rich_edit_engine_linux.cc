#include "ui/control/rich_edit_engine.h"
#include "ui/control/text_box.h"

namespace ui {

// Linux has no system text engine: the toolkit's own box, drawn with pango
// through the render context.
std::unique_ptr<RichEditEngine> CreateRichEditEngine(RichEditEngine::Delegate* delegate) {
  return std::make_unique<TextBox>(delegate);
}

}  // namespace ui
