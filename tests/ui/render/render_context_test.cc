// Pixels drawn by the system's backend, compared with a small tolerance
// (smoothing and text rasterising differ between systems; geometry must not).
#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"
#include "ui/render/image.h"
#include "ui/render/render_context.h"

namespace ui {
namespace {

struct Pixel {
  int b, g, r, a;
};

Pixel At(const IRenderContext& c, int x, int y) {
  const uint8_t* p = c.Bits() + (static_cast<size_t>(y) * c.Width() + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

::testing::AssertionResult Near(const Pixel& p, uint32_t argb, int tolerance = 3) {
  Pixel want{static_cast<int>(argb & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
             static_cast<int>((argb >> 16) & 0xFF), static_cast<int>(argb >> 24)};
  if (std::abs(p.b - want.b) <= tolerance && std::abs(p.g - want.g) <= tolerance &&
      std::abs(p.r - want.r) <= tolerance && std::abs(p.a - want.a) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  char text[96];
  std::snprintf(text, sizeof text, "pixel a=%d r=%d g=%d b=%d, want %08x", p.a, p.r, p.g, p.b, argb);
  return ::testing::AssertionFailure() << text;
}

// A w x h image whose border of `border` pixels is `edge` and inside `inside`
// (straight ARGB, opaque colours).
std::shared_ptr<DecodedImage> FramedImage(int w, int h, int border, uint32_t edge, uint32_t inside) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      bool on_edge = x < border || y < border || x >= w - border || y >= h - border;
      uint32_t c = on_edge ? edge : inside;
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = c & 0xFF;
      p[1] = (c >> 8) & 0xFF;
      p[2] = (c >> 16) & 0xFF;
      p[3] = c >> 24;
    }
  }
  std::string png;
  EncodePng(px.data(), w, h, &png);
  return DecodeImage(png.data(), png.size());
}

class RenderContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResourceManager::Get().Shutdown();
    DpiScale::Get().SetForTesting(false, 100);
    context_ = ResourceManager::Get().GetRenderFactory()->CreateRenderContext();
    ASSERT_TRUE(context_->Resize(300, 100));
  }
  void TearDown() override {
    DpiScale::Get().SetForTesting(false, 100);
    ResourceManager::Get().Shutdown();
  }
  std::unique_ptr<IRenderContext> context_;
};

TEST_F(RenderContextTest, BufferSizesAreCheckedIn64Bits) {
  auto c = ResourceManager::Get().GetRenderFactory()->CreateRenderContext();
  EXPECT_FALSE(c->Resize(99999, 99999));
  EXPECT_EQ(c->Bits(), nullptr);
  EXPECT_FALSE(c->Resize(0, 10));
  EXPECT_FALSE(c->Resize(-5, 10));
  EXPECT_FALSE(c->Resize(70000, 1));
  c->FillColor(UiRect(0, 0, 10, 10), 0xFF000000);  // no buffer: nothing happens
  EXPECT_TRUE(c->Resize(10, 10));
  EXPECT_FALSE(c->Resize(10, 10));  // unchanged
  EXPECT_TRUE(Near(At(*c, 5, 5), 0));
  EXPECT_FALSE(IsValidRenderTargetSize(16384, 16385));
  EXPECT_TRUE(IsValidRenderTargetSize(8192, 8192));
}

TEST_F(RenderContextTest, FillOriginAndClip) {
  context_->FillColor(UiRect(0, 0, 300, 100), 0xFFF4F8F9);
  EXPECT_TRUE(Near(At(*context_, 150, 50), 0xFFF4F8F9, 0));
  context_->FillColor(UiRect(0, 0, 10, 10), 0);  // colour 0 is never painted
  EXPECT_TRUE(Near(At(*context_, 5, 5), 0xFFF4F8F9, 0));
  {
    AutoOffsetOrigin origin(context_.get(), 100, 10);
    AutoClip clip(context_.get(), UiRect(0, 0, 20, 20));
    context_->FillColor(UiRect(-50, -50, 50, 50), 0xFFFF0000);
  }
  EXPECT_EQ(context_->GetOrigin(), UiPoint());
  EXPECT_TRUE(Near(At(*context_, 100, 10), 0xFFFF0000, 0));
  EXPECT_TRUE(Near(At(*context_, 119, 29), 0xFFFF0000, 0));
  EXPECT_TRUE(Near(At(*context_, 120, 29), 0xFFF4F8F9, 0));  // clipped
  EXPECT_TRUE(Near(At(*context_, 99, 10), 0xFFF4F8F9, 0));
  // After the guards: no clip left.
  context_->FillColor(UiRect(200, 50, 210, 60), 0x80000000);
  Pixel half = At(*context_, 205, 55);
  EXPECT_NEAR(half.r, 0xF4 / 2, 3);
  EXPECT_EQ(half.a, 255);
  // Opacity multiplies the colour's own alpha.
  context_->Clear();
  context_->FillColor(UiRect(0, 0, 10, 10), 0xFF0000FF, 128);
  EXPECT_TRUE(Near(At(*context_, 1, 1), 0x80000080, 2));
}

TEST_F(RenderContextTest, NineGridKeepsCornersAndStretchesTheRest) {
  auto image = FramedImage(80, 30, 8, 0xFF0000FF, 0xFF00FF00);
  ASSERT_NE(image, nullptr);
  EXPECT_FALSE(image->alpha);
  ImageSpec spec;
  spec.SetImageString(u"file='a.png' corner='8,8,8,8'");
  spec.image = image;
  UiRect button(20, 10, 260, 62);  // 240 x 52
  ASSERT_TRUE(PaintImageSpec(context_.get(), &spec, button, button, u""));
  // Borders stay 8 pixels wide; the centre is green all the way across.
  EXPECT_TRUE(Near(At(*context_, 20, 10), 0xFF0000FF));
  EXPECT_TRUE(Near(At(*context_, 27, 17), 0xFF0000FF));
  EXPECT_TRUE(Near(At(*context_, 28, 18), 0xFF00FF00));
  EXPECT_TRUE(Near(At(*context_, 140, 36), 0xFF00FF00));
  EXPECT_TRUE(Near(At(*context_, 251, 53), 0xFF00FF00));
  EXPECT_TRUE(Near(At(*context_, 252, 54), 0xFF0000FF));
  EXPECT_TRUE(Near(At(*context_, 140, 14), 0xFF0000FF));  // top edge, stretched
  EXPECT_TRUE(Near(At(*context_, 19, 36), 0));             // nothing outside
  EXPECT_TRUE(Near(At(*context_, 260, 36), 0));
}

TEST_F(RenderContextTest, DestFadeAndPaintRect) {
  auto image = FramedImage(4, 4, 0, 0, 0xFFFF0000);
  ImageSpec spec;
  spec.SetImageString(u"file='a.png' dest='4,4,16,16' fade='80'");
  spec.image = image;
  UiRect control(100, 0, 200, 50);
  ASSERT_TRUE(PaintImageSpec(context_.get(), &spec, control, control, u""));
  EXPECT_TRUE(Near(At(*context_, 104, 4), 0x50500000, 2));  // 80/255 of opaque red
  EXPECT_TRUE(Near(At(*context_, 115, 15), 0x50500000, 2));
  EXPECT_TRUE(Near(At(*context_, 116, 16), 0));
  EXPECT_TRUE(Near(At(*context_, 103, 4), 0));
  // An explicit fade replaces the image's own; a paint rect limits the drawing.
  context_->Clear();
  PaintImageSpec(context_.get(), &spec, control, UiRect(100, 0, 110, 50), u"", u"", 255);
  EXPECT_TRUE(Near(At(*context_, 105, 5), 0xFFFF0000, 2));
  // A 150 % scale moves and grows the destination.
  DpiScale::Get().SetForTesting(true, 150);
  spec.SetImageString(u"file='a.png' dest='4,4,16,16'");
  spec.image = image;
  context_->Clear();
  PaintImageSpec(context_.get(), &spec, control, control, u"");
  EXPECT_TRUE(Near(At(*context_, 106, 6), 0xFFFF0000, 2));
  EXPECT_TRUE(Near(At(*context_, 123, 23), 0xFFFF0000, 2));
  EXPECT_TRUE(Near(At(*context_, 124, 24), 0));
  // A bare path draws the whole image stretched over the control.
  DpiScale::Get().SetForTesting(false, 100);
  spec.SetImageString(u"a.png");
  spec.image = image;
  context_->Clear();
  PaintImageSpec(context_.get(), &spec, control, control, u"");
  EXPECT_TRUE(Near(At(*context_, 100, 0), 0xFFFF0000, 2));
  EXPECT_TRUE(Near(At(*context_, 199, 49), 0xFFFF0000, 2));
}

TEST_F(RenderContextTest, MissingImageIsNotRetried) {
  ImageSpec spec;
  spec.SetImageString(u"file='nowhere/none.png'");
  UiRect r(0, 0, 10, 10);
  EXPECT_FALSE(PaintImageSpec(context_.get(), &spec, r, r, u""));
  EXPECT_TRUE(spec.load_failed);
  spec.SetImageString(u"");
  EXPECT_FALSE(PaintImageSpec(context_.get(), &spec, r, r, u""));
}

TEST_F(RenderContextTest, TranslucentImagesAndHostilePngs) {
  auto translucent = FramedImage(2, 2, 1, 0x80FFFFFF, 0x80FFFFFF);
  ASSERT_NE(translucent, nullptr);
  EXPECT_TRUE(translucent->alpha);
  EXPECT_EQ(DecodeImage("garbage", 7), nullptr);
  // A header that declares a 100000 x 100000 image is refused unread.
  std::string png;
  uint8_t px[4] = {0, 0, 0, 255};
  ASSERT_TRUE(EncodePng(px, 1, 1, &png));
  png[18] = 0x01; png[19] = static_cast<char>(0x86); png[20] = static_cast<char>(0xA0);
  png[22] = 0x01; png[23] = static_cast<char>(0x86); png[24] = static_cast<char>(0xA0);
  EXPECT_EQ(DecodeImage(png.data(), png.size()), nullptr);
  EXPECT_EQ(DecodeImage(png.data(), 20), nullptr);  // truncated
}

TEST_F(RenderContextTest, AlphaRepairAndCopies) {
  context_->FillColor(UiRect(0, 0, 300, 100), 0xFF336699);
  context_->ClearAlpha(UiRect(0, 0, 10, 10), 0);
  EXPECT_TRUE(Near(At(*context_, 5, 5), 0, 0));
  context_->FillColor(UiRect(10, 0, 20, 10), 0x40000000);
  // Middle band only (corners of 4 untouched): alpha 255 unless it is `key`.
  context_->RestoreAlpha(UiRect(0, 0, 300, 100), UiRect(4, 4, 4, 4), 0);
  EXPECT_EQ(At(*context_, 5, 5).a, 255);
  EXPECT_EQ(At(*context_, 1, 1).a, 0);  // a corner square
  context_->ClearAlpha(UiRect(0, 0, 300, 100), 7);
  context_->RestoreAlpha(UiRect(0, 0, 300, 100), UiRect(), 7);
  EXPECT_EQ(At(*context_, 150, 50).a, 0);

  context_->Clear();
  context_->FillColor(UiRect(0, 0, 10, 10), 0xFF112233);
  auto copy = context_->Duplicate();
  ASSERT_EQ(copy->Width(), 300);
  EXPECT_TRUE(Near(At(*copy, 5, 5), 0xFF112233, 0));
  auto target = ResourceManager::Get().GetRenderFactory()->CreateRenderContext();
  ASSERT_TRUE(target->Resize(50, 50));
  target->BitBlt(UiPoint{20, 20}, *context_, UiRect(5, 5, 15, 15));
  EXPECT_TRUE(Near(At(*target, 20, 20), 0xFF112233, 0));
  EXPECT_TRUE(Near(At(*target, 24, 24), 0xFF112233, 0));
  EXPECT_TRUE(Near(At(*target, 25, 25), 0, 0));
  target->Clear();
  target->AlphaBlend(UiRect(0, 0, 20, 20), *context_, UiRect(0, 0, 10, 10), 128);
  EXPECT_TRUE(Near(At(*target, 19, 19), 0x8009111A, 2));
}

TEST_F(RenderContextTest, LinesAndOutlinesCoverWholePixels) {
  context_->DrawLine(UiPoint{10, 10}, UiPoint{50, 10}, 1, 0xFF000000);
  EXPECT_TRUE(Near(At(*context_, 30, 10), 0xFF000000, 8));
  EXPECT_TRUE(Near(At(*context_, 30, 9), 0, 8));
  EXPECT_TRUE(Near(At(*context_, 30, 11), 0, 8));
  context_->DrawRect(UiRect(100, 10, 199, 59), 1, 0xFF0000FF);
  EXPECT_TRUE(Near(At(*context_, 150, 10), 0xFF0000FF, 8));
  EXPECT_TRUE(Near(At(*context_, 199, 30), 0xFF0000FF, 8));
  EXPECT_TRUE(Near(At(*context_, 150, 30), 0, 0));
  context_->FillEllipse(UiRect(200, 0, 300, 100), 0xFF00FF00);
  EXPECT_TRUE(Near(At(*context_, 250, 50), 0xFF00FF00, 0));
  EXPECT_TRUE(Near(At(*context_, 201, 1), 0, 0));
}

TEST_F(RenderContextTest, TextEllipsisAndAlignment) {
  ResourceManager::Get().AddFont(u"system", 14, false, false, false);
  const String text = u"A rather long line of text \u6D4B\u8BD5 that does not fit in the box";
  UiRect natural = context_->MeasureString(text, 0, kTextSingleLine);
  EXPECT_GT(natural.Width(), 200);
  EXPECT_GT(natural.Height(), 10);
  EXPECT_LT(natural.Height(), 30);
  // Wrapped into 100 pixels it takes several lines.
  UiRect wrapped = context_->MeasureString(text, 0, 0, 100);
  EXPECT_LE(wrapped.Width(), 101);
  EXPECT_GT(wrapped.Height(), 2 * natural.Height() - 4);

  // One line, centred, ending in an ellipsis: ink only inside the box and
  // within one line's height around the middle.
  UiRect box(50, 20, 150, 80);
  context_->DrawString(box, text, 0xFF000000, 0,
                       kTextCenter | kTextVCenter | kTextSingleLine | kTextEndEllipsis);
  int top = 100, bottom = -1, left = 300, right = -1;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 300; ++x) {
      if (At(*context_, x, y).a == 0) continue;
      top = std::min(top, y), bottom = std::max(bottom, y);
      left = std::min(left, x), right = std::max(right, x);
    }
  }
  ASSERT_GE(right, 0) << "no text drawn";
  EXPECT_GE(left, box.left);
  EXPECT_LT(right, box.right);
  EXPECT_GT(right, box.right - 25);  // the ellipsis fills the line
  EXPECT_LT(bottom - top, natural.Height());
  EXPECT_NEAR((top + bottom) / 2, 50, 6);

  // Right and bottom alignment of a short text.
  context_->Clear();
  context_->DrawString(box, u"Ok", 0xFF000000, 0, kTextRight | kTextBottom | kTextSingleLine);
  int last_x = -1, last_y = -1;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 300; ++x)
      if (At(*context_, x, y).a) last_x = std::max(last_x, x), last_y = std::max(last_y, y);
  EXPECT_NEAR(last_x, box.right - 1, 4);
  EXPECT_NEAR(last_y, box.bottom - 1, 6);
  EXPECT_EQ(context_->MeasureString(u"", 0, 0), UiRect());
}

// The measuring conventions both backends share: one pixel more each way,
// a single line measured with a width is one probe line high whatever its
// characters, and the ellipsis never changes a measurement.
TEST_F(RenderContextTest, MeasureStringConventionsAndNoTarget) {
  ResourceManager::Get().AddFont(u"system", 14, false, false, false);
  const UiRect latin = context_->MeasureString(u"xxxx", 0, kTextSingleLine, 0);
  const UiRect probe = context_->MeasureString(u"\u6D4B\u8BD5", 0, kTextSingleLine, 0);
  EXPECT_EQ(latin.Height(), probe.Height());
  EXPECT_EQ(latin.left, 0);
  EXPECT_GT(latin.Width(), 1);
  EXPECT_EQ(context_->MeasureString(u"xxxx", 0, kTextSingleLine | kTextEndEllipsis, 0), latin);
  EXPECT_EQ(context_->MeasureString(u"xxxx", 0, kTextSingleLine, 5).Width(), latin.Width());

  // A context without a buffer draws nothing and copies to an empty one.
  auto empty = ResourceManager::Get().GetRenderFactory()->CreateRenderContext();
  empty->FillColor(UiRect(0, 0, 5, 5), 0xFF000000);
  empty->DrawString(UiRect(0, 0, 50, 20), u"x", 0xFF000000, 0, 0);
  empty->DrawEllipse(UiRect(0, 0, 5, 5), 1, 0xFF000000);
  empty->Clear();
  EXPECT_EQ(empty->Bits(), nullptr);
  auto copy = empty->Duplicate();
  EXPECT_EQ(copy->Bits(), nullptr);
  EXPECT_EQ(copy->Width(), 0);
  EXPECT_EQ(empty->MeasureString(u"xxxx", 0, kTextSingleLine, 0), latin);  // measuring needs no buffer
}

}  // namespace
}  // namespace ui
