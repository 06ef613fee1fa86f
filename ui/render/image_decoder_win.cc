// Image decoding from memory through GDI+ over a memory stream: every frame
// into a 32-bit premultiplied DIB, with the frame delays of animations.
#include <shlwapi.h>

#include <vector>

#include "ui/render/image.h"
#include "ui/render/render_backend_win.h"

namespace ui {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

constexpr PROPID kFrameDelayTag = 0x5100;

std::vector<int> FrameDelays(GpBitmap* bitmap, UINT frames) {
  std::vector<int> delays;
  UINT size = 0;
  if (GdipGetPropertyItemSize(bitmap, kFrameDelayTag, &size) != Ok || size < sizeof(PropertyItem)) {
    return delays;
  }
  std::vector<uint8_t> buffer(size);
  auto* item = reinterpret_cast<PropertyItem*>(buffer.data());
  if (GdipGetPropertyItem(bitmap, kFrameDelayTag, size, item) != Ok || !item->value) return delays;
  size_t count = std::min<size_t>(frames, item->length / sizeof(LONG));
  const LONG* values = static_cast<const LONG*>(item->value);
  for (size_t i = 0; i < count; ++i) delays.push_back(FrameIntervalMs(static_cast<int>(values[i])));
  return delays;
}

}  // namespace

std::shared_ptr<DecodedImage> DecodeImage(const void* data, size_t size) {
  if (!data || size == 0 || size > 0x7FFFFFFF || !EnsureGdiplus()) return nullptr;
  int width = 0;
  int height = 0;
  // A PNG's declared size is checked before GDI+ sees it.
  if (ReadPngSize(data, size, &width, &height) && !IsValidRenderTargetSize(width, height)) return nullptr;
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size));
  if (!stream) return nullptr;
  GpBitmap* bitmap = nullptr;
  GpStatus status = GdipCreateBitmapFromStream(stream, &bitmap);
  stream->Release();
  if (status != Ok || !bitmap) return nullptr;

  std::shared_ptr<DecodedImage> image;
  UINT w = 0, h = 0, frames = 1, dimensions = 0;
  GdipGetImageWidth(bitmap, &w);
  GdipGetImageHeight(bitmap, &h);
  GUID dimension = FrameDimensionPage;
  if (GdipImageGetFrameDimensionsCount(bitmap, &dimensions) == Ok && dimensions > 0) {
    std::vector<GUID> list(dimensions);
    if (GdipImageGetFrameDimensionsList(bitmap, list.data(), dimensions) == Ok) {
      dimension = list[0];
      GdipImageGetFrameCount(bitmap, &dimension, &frames);
    }
  }
  // Frames are bounded by what the buffers may hold in total.
  if (IsValidRenderTargetSize(static_cast<int>(w), static_cast<int>(h)) && frames >= 1 &&
      uint64_t{w} * h * 4 * frames <= kMaxRenderTargetBytes) {
    image = std::make_shared<DecodedImage>();
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(h);
    for (UINT i = 0; i < frames && image; ++i) {
      auto frame = std::make_unique<GdiBitmap>();
      BitmapData locked = {};
      locked.Width = w;
      locked.Height = h;
      locked.Stride = static_cast<INT>(w * 4);
      locked.PixelFormat = PixelFormat32bppPARGB;
      GpRect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
      bool ok = (frames == 1 || GdipImageSelectActiveFrame(bitmap, &dimension, i) == Ok) &&
                frame->Init(image->width, image->height);
      if (ok) {
        locked.Scan0 = frame->Bits();
        ok = GdipBitmapLockBits(bitmap, &all, ImageLockModeRead | ImageLockModeUserInputBuf,
                                PixelFormat32bppPARGB, &locked) == Ok;
        if (ok) GdipBitmapUnlockBits(bitmap, &locked);
      }
      if (!ok) {
        image.reset();
        break;
      }
      image->alpha = image->alpha || HasTranslucentPixel(frame->Bits(), image->width, image->height);
      image->frames.push_back(std::move(frame));
    }
    if (image && frames > 1) image->frame_delays_ms = FrameDelays(bitmap, frames);
  }
  GdipDisposeImage(bitmap);
  return image;
}

}  // namespace ui
