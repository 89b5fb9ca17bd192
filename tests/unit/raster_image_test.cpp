#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "image/little_endian.h"
#include "image/raster_image.h"

TEST(ByteBuffer, AllocationStates)
{
    ByteBuffer b;
    EXPECT_EQ(b.length, 0);
    EXPECT_TRUE(b.AllocateFilled(5, 0x1AB));
    ASSERT_EQ(b.length, 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(b.data[i], 0xAB);
    EXPECT_TRUE(b.Allocate(0));
    EXPECT_EQ(b.length, 0);
    EXPECT_EQ(b.data, nullptr);
    EXPECT_TRUE(b.Allocate(-7));
    EXPECT_EQ(b.length, 0);
    b.Free();
    b.Free();   // freeing an empty buffer twice is harmless
    EXPECT_EQ(b.length, 0);
}

TEST(RasterImage, StrideRoundsRowsUpToFourBytes)
{
    const struct { int32_t width, stride; } cases[] = {{0, 0}, {1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {50, 152}, {640, 1920}};
    for (const auto& c : cases) {
        RasterImage image;
        ASSERT_EQ(image.Resize(c.width, 3), kRasterOk) << c.width;
        EXPECT_EQ(image.stride, c.stride) << c.width;
        EXPECT_EQ(image.pixels.length, c.stride * 3) << c.width;
    }
}

TEST(RasterImage, HeadersDescribeTheBlock)
{
    RasterImage image;
    image.Resize(1, 1);
    image.FillHeaders();
    EXPECT_EQ(image.fileHeader.bfType, 0x4D42);
    EXPECT_EQ(image.fileHeader.bfSize, 58u);
    EXPECT_EQ(image.fileHeader.bfOffBits, 54u);
    EXPECT_EQ(image.info.bmiHeader.biSize, 40u);
    EXPECT_EQ(image.info.bmiHeader.biSizeImage, 4u);
    EXPECT_EQ(image.info.bmiHeader.biBitCount, 24);
    EXPECT_EQ(image.info.bmiHeader.biPlanes, 1);

    RasterImage item;
    item.Resize(50, 50);
    item.FillHeaders();
    EXPECT_EQ(item.pixels.length, 7600);
    EXPECT_EQ(item.fileHeader.bfSize, 7654u);
    EXPECT_EQ(item.info.bmiHeader.biWidth, 50);
    EXPECT_EQ(item.info.bmiHeader.biHeight, 50);

    RasterImage empty;
    empty.Resize(7, 0);
    empty.FillHeaders();
    EXPECT_EQ(empty.pixels.length, 0);
    EXPECT_EQ(empty.fileHeader.bfSize, 54u);
    EXPECT_EQ(empty.info.bmiHeader.biSizeImage, 0u);
}

TEST(RasterImage, SizeOperationsKeepHeadersAndPath)
{
    RasterImage image;
    image.Resize(2, 2);
    image.FillHeaders();
    std::strcpy(image.path, "a.bmp");
    image.ResizeAndFill(10, 10, 0);
    EXPECT_EQ(image.info.bmiHeader.biWidth, 2);   // headers are the caller's to refill
    EXPECT_STREQ(image.path, "a.bmp");
}

TEST(RasterImage, FillSetsPaddingToo)
{
    RasterImage image;
    image.ResizeAndFill(5, 2, -1);
    ASSERT_EQ(image.pixels.length, 32);
    for (int i = 0; i < image.pixels.length; ++i)
        ASSERT_EQ(image.pixels.data[i], 255) << i;
}

TEST(RasterImage, CopyPixelsFrom)
{
    RasterImage source;
    source.ResizeAndFill(3, 2, 7);
    source.pixels.data[5] = 99;
    RasterImage target;
    std::strcpy(target.path, "kept");
    ASSERT_EQ(target.CopyPixelsFrom(source), kRasterOk);
    EXPECT_EQ(target.width, 3);
    EXPECT_EQ(target.height, 2);
    EXPECT_EQ(std::memcmp(target.pixels.data, source.pixels.data, 24), 0);
    EXPECT_STREQ(target.path, "kept");

    RasterImage empty;
    target.CopyPixelsFrom(empty);
    EXPECT_EQ(target.width, 0);
    EXPECT_EQ(target.height, 0);
    EXPECT_TRUE(target.Empty());

    source.CopyPixelsFrom(source);   // copying onto itself keeps the pixels
    EXPECT_EQ(source.pixels.data[5], 99);
}

TEST(RasterImage, RefusedSizesLeaveAnEmptyConsistentImage)
{
    const struct { int32_t w, h; } refused[] = {{-1, 5}, {5, -1}, {INT32_MAX, 2}, {20000, 20000}, {1 << 20, 1 << 20}};
    for (const auto& c : refused) {
        RasterImage image;
        image.ResizeAndFill(4, 4, 0);
        EXPECT_EQ(image.ResizeAndFill(c.w, c.h, 0), kRasterTooLarge) << c.w << "x" << c.h;
        EXPECT_EQ(image.width, 0);
        EXPECT_EQ(image.height, 0);
        EXPECT_EQ(image.stride, 0);
        EXPECT_TRUE(image.Empty());
    }
    EXPECT_TRUE(PictureSizeAllowed(9000, 9000));       // 243 MB
    EXPECT_FALSE(PictureSizeAllowed(10000, 10000));    // 300 MB
    EXPECT_TRUE(PictureSizeAllowed(0, INT32_MAX));
}

// A move hands the block over whole and leaves an empty, consistent source;
// the target's old block is released, not leaked or kept.
TEST(RasterImage, MoveHandsOverTheWholePicture)
{
    RasterImage a;
    ASSERT_EQ(a.ResizeAndFill(3, 2, 0x5A), kRasterOk);
    a.FillHeaders();
    std::strcpy(a.path, "a.bmp");
    const uint8_t* block = a.pixels.data;
    RasterImage b;
    ASSERT_EQ(b.ResizeAndFill(9, 9, 0), kRasterOk);
    b = std::move(a);
    EXPECT_EQ(b.pixels.data, block);
    EXPECT_EQ(b.width, 3);
    EXPECT_EQ(b.stride, 12);
    EXPECT_EQ(b.info.bmiHeader.biHeight, 2);
    EXPECT_STREQ(b.path, "a.bmp");
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(a.width + a.height + a.stride, 0);
    EXPECT_EQ(a.info.bmiHeader.biSize, 0u);
    EXPECT_STREQ(a.path, "");
    RasterImage c(std::move(b));
    EXPECT_EQ(c.pixels.data, block);
    EXPECT_TRUE(b.Empty());
}

TEST(RasterImage, PixelOffsetsAreBottomUpRows)
{
    RasterImage image;
    image.Resize(5, 3);
    EXPECT_EQ(image.Offset(0, 0), 0);
    EXPECT_EQ(image.Offset(4, 0), 12);
    EXPECT_EQ(image.Offset(1, 2), 2 * 16 + 3);
    uint8_t pixel[3];
    StoreColour(pixel, 0x00112233);   // 0x00BBGGRR
    EXPECT_EQ(pixel[0], 0x11);
    EXPECT_EQ(pixel[1], 0x22);
    EXPECT_EQ(pixel[2], 0x33);
}

TEST(BitmapHeaders, ExactLittleEndianLayout)
{
    RasterImage image;
    image.Resize(5, 3);
    image.FillHeaders();
    uint8_t file[14], info[40];
    StoreFileHeader(image.fileHeader, file);
    StoreInfoHeader(image.info.bmiHeader, info);
    const uint8_t expectedFile[14] = {'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    EXPECT_EQ(std::memcmp(file, expectedFile, 14), 0);
    const uint8_t expectedInfo[40] = {40, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 48, 0, 0, 0};
    EXPECT_EQ(std::memcmp(info, expectedInfo, 40), 0);

    BitmapInfoHeader topDown = image.info.bmiHeader;
    topDown.biHeight = -3;
    topDown.biXPelsPerMeter = 2835;
    StoreInfoHeader(topDown, info);
    EXPECT_EQ(LoadI32LE(info + 8), -3);
    BitmapInfoHeader back = ParseInfoHeader(info);
    EXPECT_EQ(back.biHeight, -3);
    EXPECT_EQ(back.biXPelsPerMeter, 2835);
    EXPECT_EQ(back.biSizeImage, 48u);
    BitmapFileHeader fileBack = ParseFileHeader(file);
    EXPECT_EQ(fileBack.bfType, 0x4D42);
    EXPECT_EQ(fileBack.bfSize, 102u);
    EXPECT_EQ(fileBack.bfOffBits, 54u);
}
