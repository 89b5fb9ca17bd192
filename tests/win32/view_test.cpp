// Opening a JPEG in the real main window: the window is fitted to the
// picture at the zoom, and the back buffer holds the picture's pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/document.h"
#include "app/main_window_win32.h"
#include "app/open_dispatch.h"
#include "formats/standard/jpeg_codec.h"
#include "image/offscreen_win32.h"
#include "resources/resource.h"
#include "tests/support/temp_files.h"
#include "tests/win32/message_box_hook_win32.h"
#include "tests/win32/window_fixture_win32.h"

namespace {

class JpegView : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // 400 x 300 picture: four coloured quadrants and a texture, so that
        // a flipped or shifted picture shows.
        RasterImage picture;
        picture.ResizeAndFill(400, 300, 0);
        for (int row = 0; row < 300; ++row)
            for (int x = 0; x < 400; ++x) {
                uint8_t* p = picture.pixels.data + picture.Offset(x, row);
                p[0] = static_cast<uint8_t>(x < 200 ? 30 : 220);
                p[1] = static_cast<uint8_t>((x * 3 + row) & 0xFF);
                p[2] = static_cast<uint8_t>(row < 150 ? 40 : 200);
            }
        picture.FillHeaders();
        path = dir.Path("quadrants photo.jpg");
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_EQ(EncodeJPEG(picture, 90, 1, f), 1);
        std::fclose(f);
        ASSERT_EQ(ReadJPEG(path.c_str(), expected), 1);
    }

    // The back buffer's pixel at client position (x, y from the top).
    COLORREF BackBuffer(int x, int y) const { return GetPixel(MemoryDc(::BackBuffer), x, y); }

    COLORREF Expected(int x, int yFromTop) const
    {
        const uint8_t* p = expected.pixels.data + expected.Offset(x, expected.height - 1 - yFromTop);
        return RGB(p[2], p[1], p[0]);
    }

    void ExpectBackBufferShowsThePicture(int displayWidth, int displayHeight)
    {
        // Stretching drops rows and columns: each shown pixel is one of the
        // source pixels of its block (exactly the pixel at 100 %).
        const int step = expected.width / displayWidth;
        for (int y = 0; y < displayHeight; y += 7)
            for (int x = 0; x < displayWidth; x += 5) {
                COLORREF shown = BackBuffer(x, y);
                bool found = false;
                for (int dy = 0; dy < step && !found; ++dy)
                    for (int dx = 0; dx < step && !found; ++dx)
                        found = shown == Expected(x * step + dx, y * step + dy);
                ASSERT_TRUE(found) << x << "," << y << ": " << std::hex << shown;
            }
        EXPECT_EQ(BackBuffer(displayWidth + 3, 5), RGB(128, 128, 128));   // the grey beyond the picture
    }

    TempDir dir;
    std::string path;
    RasterImage expected;
};

}  // namespace

TEST_F(JpegView, CommandLineFileIsShownAtEveryZoom)
{
    ModalBoxCatcher catcher;
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
    PumpMessages();
    EXPECT_TRUE(catcher.Boxes().empty());
    EXPECT_EQ(doc.kind, kStandardImage);
    EXPECT_EQ(WindowText(window), path + "（絵師：－－） - zavik view");
    EXPECT_EQ(ClientSize().cx, 400);
    EXPECT_EQ(ClientSize().cy, 300 + 20);
    ExpectBackBufferShowsThePicture(400, 300);

    SendMessageA(window, WM_COMMAND, IDM_ZOOM_100 + 5, 0);   // 50 %
    PumpMessages();
    EXPECT_EQ(ClientSize().cx, 250);   // 200 is below the minimum
    EXPECT_EQ(ClientSize().cy, 150 + 20);
    ExpectBackBufferShowsThePicture(200, 150);
}

TEST_F(JpegView, OpenDialogJpegFilter)
{
    ModalBoxCatcher catcher;
    catcher.OnDialogLater([&](HWND dialog) {
        if (WindowText(dialog) != "題材を開く")
            return;
        // Select "JPEG (*.JPG)", the fourth type, as the user would, then
        // type the name (edt1 in the old-style dialog, cmb13 in the new).
        SendDlgItemMessageA(dialog, cmb1, CB_SETCURSEL, 3, 0);
        SelectType(dialog);
        SetDlgItemTextA(dialog, edt1, path.c_str());
        SetDlgItemTextA(dialog, cmb13, path.c_str());
        EXPECT_EQ(SendDlgItemMessageA(dialog, cmb1, CB_GETCURSEL, 0, 0), 3);
    });
    SendMessageA(window, WM_COMMAND, IDM_OPEN, 0);
    PumpMessages();
    ASSERT_GE(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].caption, "題材を開く");
    EXPECT_EQ(catcher.Boxes().size(), 1u);   // no failure box
    EXPECT_EQ(doc.kind, kStandardImage);
    EXPECT_STREQ(doc.Picture.path, path.c_str());
    EXPECT_EQ(ClientSize().cx, 400);
    EXPECT_EQ(ClientSize().cy, 320);
    ExpectBackBufferShowsThePicture(400, 300);
}

TEST_F(JpegView, FailedOpenKeepsWhatTheWindowShowed)
{
    ModalBoxCatcher catcher;
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
    std::string broken = dir.Write("broken.jpg", "\xFF\xD8 this is no JPEG");
    OpenInWindow(window, doc, broken.c_str());
    PumpMessages();
    ASSERT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes()[0].text, "JPEGファイルオープンに失敗しました。2");
    EXPECT_EQ(catcher.Boxes()[1].text, "ファイルの読み込みに失敗しました。");
    EXPECT_EQ(doc.Picture.width, 400);
    ExpectBackBufferShowsThePicture(400, 300);
}

namespace {

class SampleView : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        GetCurrentDirectoryA(MAX_PATH, previousFolder);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(previousFolder);
        MainWindowTest::TearDown();
    }

    std::string StatusAfterPaint()
    {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        PumpMessages();
        char text[512] = {};
        SendMessageA(StatusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }


    char previousFolder[MAX_PATH] = {};
};

}  // namespace

TEST_F(SampleView, PainterShowsItsNameInTitleAndStatus)
{
    const std::string path = ZAVIK_SAMPLES "/hanako.esi";
    ModalBoxCatcher catcher;
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
    PumpMessages();
    EXPECT_TRUE(catcher.Boxes().empty());
    EXPECT_EQ(doc.kind, kPainter);
    EXPECT_STREQ(doc.PainterPath, path.c_str());
    EXPECT_EQ(WindowText(window), path + "（絵師：花子） - zavik view");
    EXPECT_EQ(ClientSize().cx, 250);
    EXPECT_EQ(ClientSize().cy, 100 + 20);
    EXPECT_EQ(StatusAfterPaint(), "絵師：花子, 幅：100, 高さ：100");
}

TEST_F(SampleView, CanvasShowsItsPainterAndItsCombinedPicture)
{
    // The canvas names its painter file relative to the current folder.
    SetCurrentDirectoryA(ZAVIK_SAMPLES);
    const std::string path = ZAVIK_SAMPLES "/sunset.cnv";
    ModalBoxCatcher catcher;
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
    PumpMessages();
    EXPECT_TRUE(catcher.Boxes().empty());
    EXPECT_EQ(doc.kind, kCanvas);
    EXPECT_STREQ(doc.CanvasPath, path.c_str());
    EXPECT_STREQ(doc.PainterPath, "hanako.esi");
    EXPECT_STREQ(doc.Picture.path, "landscape.jpg");
    EXPECT_EQ(WindowText(window), path + "（絵師：花子） - zavik view");
    EXPECT_EQ(ClientSize().cx, 320);
    EXPECT_EQ(ClientSize().cy, 240 + 20);
    EXPECT_EQ(StatusAfterPaint(), "絵師：花子, 幅：320, 高さ：240");
}

TEST_F(SampleView, CanvasWhosePainterFileIsMissingIsNamedAfterIt)
{
    SetCurrentDirectoryA("C:\\");
    const std::string path = ZAVIK_SAMPLES "/sunset.cnv";
    ModalBoxCatcher catcher;
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
    EXPECT_EQ(WindowText(window), path + "（絵師：hanako.esi） - zavik view");
}
