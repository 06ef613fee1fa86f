// PaintImageSpec: how a control's image attribute reaches the nine grid.
#include <algorithm>

#include "ui/core/read_file.h"
#include "ui/core/resource_manager.h"
#include "ui/render/image.h"

namespace ui {

bool PaintImageSpec(IRenderContext* context, ImageSpec* spec, const UiRect& rect,
                    const UiRect& paint_rect, StringView resource_folder, StringView modify,
                    int fade) {
  if (!context || !spec || spec->file.empty() || spec->load_failed) return false;
  if (!spec->image) {
    String path = IsAbsolutePath(spec->file)
                      ? spec->file
                      : String(resource_folder) + spec->file;
    spec->image = ResourceManager::Get().AcquireImage(path);
    if (!spec->image) {
      // A missing or broken file is not looked for again on every paint.
      spec->load_failed = true;
      return false;
    }
  }
  const ImageSpec* drawn = spec;
  ImageSpec modified;
  if (!modify.empty()) {
    modified = *spec;
    modified.ModifyWith(modify);
    drawn = &modified;
  }
  const DecodedImage& image = *spec->image;
  const IBitmap* frame = image.Frame(std::clamp(spec->current_frame, 0, image.FrameCount() - 1));
  if (!frame) return false;

  UiRect dest = rect;
  if (drawn->HasDest()) {
    dest = UiRect(rect.left + drawn->dest.left, rect.top + drawn->dest.top,
                  rect.left + drawn->dest.right, rect.top + drawn->dest.bottom);
  }
  UiRect source = drawn->HasSource() ? drawn->source : UiRect(0, 0, image.width, image.height);
  int opacity = fade == -1 ? drawn->fade : std::clamp(fade, 0, 255);
  context->DrawNineGrid(paint_rect, *frame, image.alpha, dest, source, drawn->corner,
                        static_cast<uint8_t>(opacity), drawn->xtiled, drawn->ytiled);
  return true;
}

}  // namespace ui
