#include <gtest/gtest.h>

#include <cstring>

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

TEST(ViewStretch, DropsRowsAndColumns)
{
    RasterImage source, dest;
    source.ResizeAndFill(4, 4, 0);
    for (int row = 0; row < 4; ++row)
        for (int x = 0; x < 4; ++x)
            source.pixels.data[source.Offset(x, row)] = static_cast<uint8_t>(10 * row + x);
    ASSERT_EQ(StretchNearest(dest, source, 2, 2), kRasterOk);
    EXPECT_EQ(dest.width, 2);
    EXPECT_EQ(dest.pixels.data[dest.Offset(0, 0)], 0);
    EXPECT_EQ(dest.pixels.data[dest.Offset(1, 0)], 2);
    EXPECT_EQ(dest.pixels.data[dest.Offset(1, 1)], 22);
    EXPECT_EQ(dest.pixels.data[6], 0);   // padding
    ASSERT_EQ(StretchNearest(dest, source, 4, 4), kRasterOk);
    EXPECT_EQ(std::memcmp(dest.pixels.data, source.pixels.data, 48), 0);
    ASSERT_EQ(StretchNearest(dest, source, 0, 0), kRasterOk);
    EXPECT_TRUE(dest.Empty());
}

TEST(ViewRender, ComposesTheDocumentAtItsZoom)
{
    Document doc;
    doc.Picture.ResizeAndFill(40, 20, 0);   // black
    doc.Picture.FillHeaders();
    doc.AlphaMask.AllocateFilled(40 * 20, 0);
    doc.AlphaMask.data[0] = 255;        // bottom-left pixel is ink
    doc.Transparency.MaskActive = 1;
    doc.Transparency.BackgroundMode = kTransparent;
    RasterImage view;
    ASSERT_EQ(RenderView(doc, view, 0.5f), kRasterOk);
    EXPECT_EQ(view.width, 20);
    EXPECT_EQ(view.height, 10);
    EXPECT_EQ(view.info.bmiHeader.biWidth, 20);
    EXPECT_EQ(view.pixels.data[view.Offset(0, 0)], 0);      // the ink pixel
    EXPECT_EQ(view.pixels.data[view.Offset(1, 0)], 192);    // checkerboard grey
    EXPECT_EQ(view.pixels.data[view.Offset(8, 0)], 255);    // column 16 of the picture: white
    doc.Transparency.BackgroundMode = kBGColorFill;
    doc.Transparency.BGColor = 0x000000FF;                  // red
    ASSERT_EQ(RenderView(doc, view, 1.0f), kRasterOk);
    EXPECT_EQ(view.pixels.data[view.Offset(5, 5) + 2], 255);
    EXPECT_EQ(view.pixels.data[view.Offset(5, 5) + 0], 0);
}

TEST(ViewSize, EveryZoomStepForTheTwoCommonWidths)
{
    const float zooms[] = {1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f};
    const int32_t at100[] = {100, 89, 80, 69, 60, 50, 40, 30, 20, 10};
    const int32_t at640[] = {640, 575, 512, 447, 384, 320, 256, 192, 128, 64};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(DisplayLength(100, zooms[i]), at100[i]) << zooms[i];
        EXPECT_EQ(DisplayLength(640, zooms[i]), at640[i]) << zooms[i];
    }
}
