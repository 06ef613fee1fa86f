// Images of the toolkit: DecodedImage (the decoded frames of one image file,
// shared and cached weakly by path in ResourceManager) and ImageSpec (one image
// attribute of a control: the file plus how to draw it).
//
// Image attribute grammar: either a bare path (`bkg_top.png`) or items
// `name='value'` separated by exactly one space:
//   file/res='path'  dest='l,t,r,b'  source='l,t,r,b'  corner='l,t,r,b'
//   fade='0..255'  xtiled/ytiled='true'  destscale='false'  playcount='n'
// Parsing stops quietly at the first deviation; unknown names and empty
// values are ignored; `destscale` affects the `dest` items after it.
//
// UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/core/ui_geometry.h"
#include "ui/core/ui_string.h"
#include "ui/render/render_context.h"

namespace ui {

class DecodedImage {
 public:
  DecodedImage() = default;
  ~DecodedImage();
  DecodedImage(const DecodedImage&) = delete;
  DecodedImage& operator=(const DecodedImage&) = delete;

  // One bitmap per frame (a still image has one).
  std::vector<std::unique_ptr<IBitmap>> frames;
  int width = 0;
  int height = 0;
  // Some pixel of some frame is not fully opaque.
  bool alpha = false;
  // Per-frame display time in milliseconds (animations only; see
  // FrameIntervalMs).
  std::vector<int> frame_delays_ms;
  // The path it was loaded from (cache key).
  String path;

  int FrameCount() const { return static_cast<int>(frames.size()); }
  const IBitmap* Frame(int index) const;
};

// Decodes an image file held in memory (PNG on both systems; the Windows
// decoder also reads the other formats GDI+ knows). nullptr when the bytes are
// not an image, or the image is larger than a render target may be.
std::shared_ptr<DecodedImage> DecodeImage(const void* data, size_t size);

// The size a PNG declares in its header, read before anything is decoded so
// an oversized image is refused cheaply. False when `data` is not a PNG.
bool ReadPngSize(const void* data, size_t size, int* width, int* height);

// Animation frame delay in hundredths of a second -> display time in ms:
// delay x 10, with 28 ms or less shown as 100 ms and 29..48 ms as 50 ms.
int FrameIntervalMs(int delay_centiseconds);

// True when some pixel of the premultiplied BGRA buffer has alpha below 255.
bool HasTranslucentPixel(const uint8_t* bgra, int width, int height);

struct ImageSpec {
  String image_string;  // the attribute text as written
  String file;
  UiRect dest{-1, -1, -1, -1};    // relative to the control; unset = whole control
  UiRect source{-1, -1, -1, -1};  // in image pixels; unset = whole image
  UiRect corner{0, 0, 0, 0};      // nine-grid borders in image pixels
  int fade = 255;
  bool xtiled = false;
  bool ytiled = false;
  int playcount = -1;

  // The loaded image (shared through the cache) and animation state.
  std::shared_ptr<DecodedImage> image;
  int current_frame = 0;
  int play_count_done = 0;
  // Set when loading failed: the image is not retried.
  bool load_failed = false;

  // Releases the image, resets every field, takes `text` as the file name,
  // then parses the item list (so `file='x.png' corner='8,8,8,8'` ends with
  // file `x.png`).
  void SetImageString(StringView text);
  // Applies the items of `text` on top of the current fields (the per-draw
  // modification strings), without resetting anything.
  void ModifyWith(StringView text);
  void Clear() { SetImageString(StringView()); }

  // dest/source are used only when fully set: none of the four is -1.
  bool HasDest() const;
  bool HasSource() const;
};

// Rectangle fields "l,t,r,b": decimal numbers separated by exactly one
// character. Returns how many numbers were read (0..4); unread fields keep
// their value.
int ParseRectValue(StringView text, UiRect* rect);

// Draws `spec` for a control occupying `rect` while `paint_rect` is painted:
// loads the image on first use through ResourceManager::AcquireImage (a
// relative file is joined to `resource_folder`, which should end in a
// separator or be empty), applies `modify` (an item list) to a copy, and draws
// the nine grid. `fade` -1 uses the image's own fade. Returns false when
// nothing could be drawn (no file, or the image cannot be loaded; the latter
// is remembered in the ImageSpec and not retried).
bool PaintImageSpec(IRenderContext* context, ImageSpec* spec, const UiRect& rect,
                    const UiRect& paint_rect, StringView resource_folder,
                    StringView modify = StringView(), int fade = -1);

// Writes a premultiplied BGRA buffer as a 32-bit RGBA PNG into `out`.
bool EncodePng(const uint8_t* bgra, int width, int height, std::string* out);

}  // namespace ui
