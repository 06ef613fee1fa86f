// The image attribute grammar and the nine-grid arithmetic (no pixels).
#include <gtest/gtest.h>

#include "ui/core/dpi_scale.h"
#include "ui/render/image.h"
#include "ui/render/nine_grid.h"

namespace ui {
namespace {

class ImageSpecTest : public ::testing::Test {
 protected:
  void TearDown() override { DpiScale::Get().SetForTesting(false, 100); }
};

TEST_F(ImageSpecTest, BarePathAndItemLists) {
  ImageSpec spec;
  spec.SetImageString(u"bkg_top.png");
  EXPECT_EQ(spec.file, u"bkg_top.png");
  EXPECT_FALSE(spec.HasDest());
  EXPECT_FALSE(spec.HasSource());
  EXPECT_EQ(spec.fade, 255);

  spec.SetImageString(u"file='x.png' corner='8,8,8,8' source='0,0,80,30' fade='80' xtiled='true' "
                      u"playcount='3' unknown='1' ytiled='false'");
  EXPECT_EQ(spec.file, u"x.png");
  EXPECT_EQ(spec.corner, UiRect(8, 8, 8, 8));
  EXPECT_EQ(spec.source, UiRect(0, 0, 80, 30));
  EXPECT_EQ(spec.fade, 80);
  EXPECT_TRUE(spec.xtiled);
  EXPECT_FALSE(spec.ytiled);
  EXPECT_EQ(spec.playcount, 3);

  // A new string resets everything first.
  spec.SetImageString(u"res='y.png'");
  EXPECT_EQ(spec.file, u"y.png");
  EXPECT_EQ(spec.corner, UiRect(0, 0, 0, 0));
  EXPECT_EQ(spec.fade, 255);
  EXPECT_FALSE(spec.xtiled);
  EXPECT_EQ(spec.image_string, u"res='y.png'");
}

TEST_F(ImageSpecTest, ParsingStopsQuietlyAtTheFirstDeviation) {
  ImageSpec spec;
  // Two spaces after a closing quote: the rest is not read.
  spec.SetImageString(u"file='a.png'  corner='1,1,1,1'");
  EXPECT_EQ(spec.file, u"a.png");
  EXPECT_EQ(spec.corner, UiRect(0, 0, 0, 0));
  // Unterminated value: nothing is applied, the whole text stays the file.
  spec.SetImageString(u"file='a.png");
  EXPECT_EQ(spec.file, u"file='a.png");
  // Blanks around '=' are allowed; empty values are ignored.
  spec.SetImageString(u"file = 'b.png' fade='' corner='2,3'");
  EXPECT_EQ(spec.file, u"b.png");
  EXPECT_EQ(spec.fade, 255);
  EXPECT_EQ(spec.corner, UiRect(2, 3, 0, 0));
  // A dest or source with fewer than four numbers stays unset; fade clamps.
  spec.SetImageString(u"file='c.png' dest='1,2,3' source='1,x,3,4' fade='999'");
  EXPECT_FALSE(spec.HasDest());
  EXPECT_FALSE(spec.HasSource());
  EXPECT_EQ(spec.fade, 255);
}

TEST_F(ImageSpecTest, DestIsScaledUnlessDestscaleFalseComesFirst) {
  DpiScale::Get().SetForTesting(true, 150);
  ImageSpec spec;
  spec.SetImageString(u"file='a.png' dest='4,4,16,16'");
  EXPECT_EQ(spec.dest, UiRect(6, 6, 24, 24));
  spec.SetImageString(u"file='a.png' destscale='false' dest='4,4,16,16'");
  EXPECT_EQ(spec.dest, UiRect(4, 4, 16, 16));
  spec.SetImageString(u"file='a.png' dest='4,4,16,16' destscale='false'");
  EXPECT_EQ(spec.dest, UiRect(6, 6, 24, 24));
  // Per-draw modification keeps the other fields.
  spec.ModifyWith(u"source='0,0,10,10'");
  EXPECT_EQ(spec.file, u"a.png");
  EXPECT_EQ(spec.source, UiRect(0, 0, 10, 10));
}

TEST_F(ImageSpecTest, FrameIntervals) {
  EXPECT_EQ(FrameIntervalMs(0), 100);
  EXPECT_EQ(FrameIntervalMs(2), 100);   // 20 ms
  EXPECT_EQ(FrameIntervalMs(3), 50);    // 30 ms
  EXPECT_EQ(FrameIntervalMs(4), 50);    // 40 ms
  EXPECT_EQ(FrameIntervalMs(5), 50);    // 50 ms stays 50
  EXPECT_EQ(FrameIntervalMs(10), 100);
}

TEST_F(ImageSpecTest, NineGridOfAButton) {
  // An 80 x 30 image with 8-pixel corners on a 240 x 52 button at 100 %.
  UiRect dest(10, 20, 250, 72);
  auto pieces = LayoutNineGrid(dest, dest, UiRect(0, 0, 80, 30), UiRect(8, 8, 8, 8), false, false);
  ASSERT_EQ(pieces.size(), 9u);
  EXPECT_EQ(pieces[0].dest, UiRect(18, 28, 242, 64));  // centre 224 x 36
  EXPECT_EQ(pieces[0].source, UiRect(8, 8, 72, 22));   // from 64 x 14
  EXPECT_EQ(pieces[1].dest, UiRect(10, 20, 18, 28));   // top-left, unscaled
  EXPECT_EQ(pieces[1].source, UiRect(0, 0, 8, 8));
  EXPECT_EQ(pieces[8].dest, UiRect(242, 64, 250, 72));  // bottom-right
  EXPECT_EQ(pieces[8].source, UiRect(72, 22, 80, 30));

  // At 150 % the destination borders grow, the source borders do not.
  DpiScale::Get().SetForTesting(true, 150);
  pieces = LayoutNineGrid(dest, dest, UiRect(0, 0, 80, 30), UiRect(8, 8, 8, 8), false, false);
  EXPECT_EQ(pieces[1].dest, UiRect(10, 20, 22, 32));
  EXPECT_EQ(pieces[1].source, UiRect(0, 0, 8, 8));

  // Only pieces meeting the paint rectangle are drawn.
  DpiScale::Get().SetForTesting(false, 100);
  pieces = LayoutNineGrid(UiRect(0, 0, 15, 25), dest, UiRect(0, 0, 80, 30), UiRect(8, 8, 8, 8),
                          false, false);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].dest, UiRect(10, 20, 18, 28));
  EXPECT_TRUE(LayoutNineGrid(UiRect(300, 0, 400, 10), dest, UiRect(0, 0, 80, 30),
                             UiRect(8, 8, 8, 8), false, false).empty());
  // Corners only where both sides are positive; edges on their own.
  pieces = LayoutNineGrid(dest, dest, UiRect(0, 0, 80, 30), UiRect(0, 4, 0, 0), false, false);
  ASSERT_EQ(pieces.size(), 2u);  // centre and top edge
  EXPECT_EQ(pieces[1].dest, UiRect(10, 20, 250, 24));
}

TEST_F(ImageSpecTest, TilesAreCutToFitAndLimitedToThePaintArea) {
  UiRect dest(0, 0, 25, 10);
  auto pieces = LayoutNineGrid(dest, dest, UiRect(0, 0, 10, 4), UiRect(), true, true);
  // 3 columns x 3 rows; the last column 5 wide, the last row 2 high.
  ASSERT_EQ(pieces.size(), 9u);
  EXPECT_EQ(pieces[2].dest, UiRect(20, 0, 25, 4));
  EXPECT_EQ(pieces[2].source, UiRect(0, 0, 5, 4));
  EXPECT_EQ(pieces[8].dest, UiRect(20, 8, 25, 10));
  EXPECT_EQ(pieces[8].source, UiRect(0, 0, 5, 2));

  pieces = LayoutNineGrid(dest, dest, UiRect(0, 0, 10, 4), UiRect(), true, false);
  ASSERT_EQ(pieces.size(), 3u);  // columns the height of the centre
  EXPECT_EQ(pieces[1].dest, UiRect(10, 0, 20, 10));
  pieces = LayoutNineGrid(dest, dest, UiRect(0, 0, 10, 4), UiRect(), false, true);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[2].dest, UiRect(0, 8, 25, 10));

  // A one-pixel tile over a huge destination yields only the painted tiles.
  UiRect huge(0, 0, 2000000000, 10);
  pieces = LayoutNineGrid(UiRect(500, 0, 503, 1), huge, UiRect(0, 0, 1, 1), UiRect(), true, true);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].dest, UiRect(500, 0, 501, 1));
}

}  // namespace
}  // namespace ui
