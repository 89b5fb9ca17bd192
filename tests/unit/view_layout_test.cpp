#include <gtest/gtest.h>

#include "app/view_layout.h"
#include "colour/transparency_state.h"

TEST(Backdrop, CheckerboardStartsGreyAtTheBottomLeft)
{
    RasterImage b;
    ASSERT_EQ(BuildBackdrop(b, 40, 40, kTransparent, 0), kRasterOk);
    auto grey = [&](int x, int row) { return b.pixels.data[b.Offset(x, row)] == 192; };
    EXPECT_TRUE(grey(0, 0));
    EXPECT_TRUE(grey(15, 15));
    EXPECT_FALSE(grey(16, 0));
    EXPECT_FALSE(grey(0, 16));
    EXPECT_TRUE(grey(16, 16));
    EXPECT_TRUE(grey(32, 0));
    EXPECT_TRUE(grey(39, 39));
    EXPECT_EQ(b.pixels.data[b.Offset(16, 0)], 255);
    // The row padding (40 x 3 = 120, no padding here) and all three bytes agree.
    EXPECT_EQ(b.pixels.data[b.Offset(5, 5) + 2], 192);
}

TEST(Backdrop, ColourFillStoresBlueGreenRed)
{
    RasterImage b;
    BuildBackdrop(b, 3, 2, kBGColorFill, 0x00102030);
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = b.pixels.data + b.Offset(x, row);
            EXPECT_EQ(p[0], 0x10);
            EXPECT_EQ(p[1], 0x20);
            EXPECT_EQ(p[2], 0x30);
        }
    EXPECT_EQ(b.pixels.data[9], 255);   // padding stays white
}

TEST(ViewBlend, ExactArithmetic)
{
    EXPECT_EQ(BlendViewByte(255, 0, 128), 126);
    EXPECT_EQ(BlendViewByte(0, 255, 128), 128);
    EXPECT_EQ(BlendViewByte(17, 200, 255), 200);   // d is limited to 1
    EXPECT_EQ(BlendViewByte(17, 200, 0), 17);
    EXPECT_EQ(BlendViewByte(100, 100, 77), 100);    // equal bytes stay equal
}

TEST(ViewComposition, MaskChoosesBetweenPictureAndBackdrop)
{
    RasterImage picture, backdrop, composed;
    picture.ResizeAndFill(2, 2, 0);
    BuildBackdrop(backdrop, 2, 2, kBGColorFill, 0x00FFFFFF);
    ByteBuffer mask;
    mask.AllocateFilled(4, 0);
    mask.data[1] = 255;   // row 0, column 1
    mask.data[2] = 128;   // row 1, column 0
    ASSERT_EQ(ComposeView(composed, picture, backdrop, mask, 1), kRasterOk);
    EXPECT_EQ(composed.pixels.data[composed.Offset(0, 0)], 255);
    EXPECT_EQ(composed.pixels.data[composed.Offset(1, 0)], 0);
    EXPECT_EQ(composed.pixels.data[composed.Offset(0, 1)], 126);
    EXPECT_EQ(composed.pixels.data[6], 0);   // padding of the composed image is 0

    // Inactive mask: the picture unchanged.
    ComposeView(composed, picture, backdrop, mask, 0);
    EXPECT_EQ(composed.pixels.data[composed.Offset(0, 0)], 0);

    // A mask that does not cover the picture is not read.
    ByteBuffer shortMask;
    shortMask.AllocateFilled(2, 0);
    ComposeView(composed, picture, backdrop, shortMask, 1);
    EXPECT_EQ(composed.pixels.data[composed.Offset(0, 0)], 0);
}

TEST(ViewSize, SinglePrecisionZoomTruncates)
{
    EXPECT_EQ(DisplayLength(100, 0.9f), 89);
    EXPECT_EQ(DisplayLength(100, 0.7f), 69);
    EXPECT_EQ(DisplayLength(640, 0.9f), 575);
    EXPECT_EQ(DisplayLength(100, 0.8f), 80);
    EXPECT_EQ(DisplayLength(1000, 0.1f), 100);
    EXPECT_EQ(DisplayLength(0, 0.5f), 0);
    EXPECT_EQ(ClientWidthFor(89), 250);
    EXPECT_EQ(ClientWidthFor(250), 250);
    EXPECT_EQ(ClientWidthFor(251), 251);
    EXPECT_EQ(ClientWidthFor(0), 250);
}
