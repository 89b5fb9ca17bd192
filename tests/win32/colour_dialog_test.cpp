// The background transparency and colour dialogs of the real main window:
// the proposal and its swatches, the swap, the separation shown over the
// checkerboard, the background colour, and the platform's colour chooser.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/main_window_win32.h"
#include "colour/separation.h"
#include "colour/transparency_state.h"
#include "image/offscreen_win32.h"
#include "resources/resource.h"
#include "tests/win32/message_box_hook_win32.h"
#include "tests/win32/window_fixture_win32.h"

namespace {

// The colour chooser's edits for red, green and blue.
constexpr int kChooserRed = 706, kChooserGreen = 707, kChooserBlue = 708;

class ColourDialogs : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // A 64 x 64 drawing: white ground, a dark blue 20 x 20 square at the
        // bottom left.
        doc.Picture.ResizeAndFill(64, 64, -1);
        for (int row = 0; row < 20; ++row)
            for (int x = 0; x < 20; ++x) {
                uint8_t* p = doc.Picture.pixels.data + doc.Picture.Offset(x, row);
                p[0] = 90;   // blue
                p[1] = 10;
                p[2] = 10;
            }
        doc.Picture.FillHeaders();
        std::strcpy(doc.Picture.path, "drawing.bmp");
        doc.kind = kStandardImage;
        Command(IDM_ZOOM_100);
    }

    COLORREF BackBuffer(int x, int y) const { return GetPixel(MemoryDc(::BackBuffer), x, y); }

    static COLORREF ClientPixel(HWND dialog, int x, int y)
    {
        HDC dc = GetDC(dialog);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(dialog, dc);
        return c;
    }

    static void ShowNow(HWND dialog)
    {
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
    }

};

const COLORREF kInk = RGB(10, 10, 90);
const COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

TEST_F(ColourDialogs, TransparencyProposesSwapsAndSeparates)
{
    std::string tolerance;
    COLORREF pen = CLR_INVALID, background = CLR_INVALID, swappedPen = CLR_INVALID, swappedBackground = CLR_INVALID;
    ModalBoxCatcher catcher;
    catcher.OnDialog([&](HWND dialog) {
        if (WindowText(dialog) != "背景透過")
            return;
        tolerance = WindowText(GetDlgItem(dialog, IDC_TOLERANCE));
        ShowNow(dialog);
        pen = ClientPixel(dialog, 50 + 15, 20 + 15);
        background = ClientPixel(dialog, 50 + 15, 55 + 15);
        // 反転 twice: swapped, then back as proposed for OK.
        SendMessageA(dialog, WM_COMMAND, IDC_SWAP, 0);
        UpdateWindow(dialog);
        swappedPen = ClientPixel(dialog, 50 + 15, 20 + 15);
        swappedBackground = ClientPixel(dialog, 50 + 15, 55 + 15);
        SendMessageA(dialog, WM_COMMAND, IDC_SWAP, 0);
    });
    SendMessageA(window, WM_COMMAND, IDM_TRANSPARENCY, 0);
    PumpMessages();
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(tolerance, "10");
    EXPECT_EQ(pen, kInk);          // the darkest pixel
    EXPECT_EQ(background, kWhite); // the brightest
    EXPECT_EQ(swappedPen, kWhite);
    EXPECT_EQ(swappedBackground, kInk);

    EXPECT_EQ(doc.Transparency.MaskActive, 1);
    EXPECT_EQ(doc.Transparency.PenColor, uint32_t(kInk));
    EXPECT_EQ(doc.Transparency.BGColor, uint32_t(kWhite));
    // The view now shows the ink over the checkerboard: client row 10 is
    // picture row 53, where columns 16..31 are grey.
    EXPECT_EQ(BackBuffer(25, 10), RGB(192, 192, 192));
    EXPECT_EQ(BackBuffer(40, 10), kWhite);
    // The ink takes the pen's luminance: its own colour, up to truncation.
    LuminanceHue ink = RgbToLuminanceHue(10, 10, 90);
    Rgb recoloured = LuminanceHueToRgb(ink.luminance, ink.hue, ink.chroma);
    EXPECT_EQ(BackBuffer(5, 60), RGB(recoloured.r, recoloured.g, recoloured.b));
}

TEST_F(ColourDialogs, TooCloseColoursSayWhyAndChangeNothing)
{
    ModalBoxCatcher catcher;
    catcher.OnDialog([&](HWND dialog) {
        if (WindowText(dialog) == "背景透過")
            SetDlgItemTextA(dialog, IDC_TOLERANCE, "255");
    });
    SendMessageA(window, WM_COMMAND, IDM_TRANSPARENCY, 0);
    PumpMessages();
    std::vector<std::string> messages;
    for (const SeenBox& box : catcher.Boxes())
        if (box.caption == "ごめんなさい。")
            messages.push_back(box.text);
    EXPECT_EQ(messages, std::vector<std::string>{"文字と背景の色の輝度が近すぎて分離できません。"});
    EXPECT_EQ(doc.Transparency.MaskActive, 0);
    EXPECT_EQ(BackBuffer(25, 10), kWhite);
}

TEST_F(ColourDialogs, BackgroundColourFillAndTheColourChooser)
{
    {
        ModalBoxCatcher separate;   // OK in dialog 146 as proposed
        SendMessageA(window, WM_COMMAND, IDM_TRANSPARENCY, 0);
        PumpMessages();
    }
    ASSERT_EQ(doc.Transparency.MaskActive, 1);
    doc.Transparency.PenColor = RGB(200, 30, 40);
    doc.Transparency.BGColor = RGB(0, 128, 0);

    bool transparentChecked = false, transparentAfterClick = true;
    COLORREF penSwatch = CLR_INVALID, backgroundSwatch = CLR_INVALID;
    int red = -1, green = -1, blue = -1;
    ModalBoxCatcher catcher;
    bool asked = false;
    catcher.OnDialogChoose([&](HWND dialog) {
        if (WindowText(dialog) == "筆と背景の色") {
            if (asked)   // activated again when the chooser closes
                return ModalBoxCatcher::kNoButton;
            asked = true;
            transparentChecked = IsDlgButtonChecked(dialog, IDC_MODE_TRANSPARENT) == BST_CHECKED;
            ShowNow(dialog);
            penSwatch = ClientPixel(dialog, 75 + 15, 20 + 15);
            backgroundSwatch = ClientPixel(dialog, 92 + 15, 121 + 15);
            // A click on 背景色 unchecks 透過: the two radios are one group.
            SendDlgItemMessageA(dialog, IDC_MODE_FILL, BM_CLICK, 0, 0);
            transparentAfterClick = IsDlgButtonChecked(dialog, IDC_MODE_TRANSPARENT) == BST_CHECKED;
            // 変更する opens the chooser on the working pen colour.
            PostMessageA(dialog, WM_COMMAND, IDC_CHANGE_PEN, 0);
            return ModalBoxCatcher::kNoButton;
        }
        // The chooser: its OK keeps the colour; then OK in dialog 147.
        red = static_cast<int>(GetDlgItemInt(dialog, kChooserRed, nullptr, FALSE));
        green = static_cast<int>(GetDlgItemInt(dialog, kChooserGreen, nullptr, FALSE));
        blue = static_cast<int>(GetDlgItemInt(dialog, kChooserBlue, nullptr, FALSE));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        PostMessageA(GetWindow(dialog, GW_OWNER), WM_COMMAND, IDOK, 0);
        return ModalBoxCatcher::kNoButton;
    });
    SendMessageA(window, WM_COMMAND, IDM_COLOURS, 0);
    PumpMessages();
    ASSERT_TRUE(asked);
    EXPECT_TRUE(transparentChecked);   // right after a separation
    EXPECT_FALSE(transparentAfterClick);
    EXPECT_EQ(penSwatch, RGB(200, 30, 40));
    EXPECT_EQ(backgroundSwatch, RGB(0, 128, 0));
    EXPECT_EQ(red, 200);
    EXPECT_EQ(green, 30);
    EXPECT_EQ(blue, 40);

    EXPECT_EQ(doc.Transparency.BackgroundMode, kBGColorFill);
    EXPECT_EQ(doc.Transparency.PenColor, uint32_t(RGB(200, 30, 40)));
    // The ink is recoloured and the background shows in its colour.
    EXPECT_EQ(BackBuffer(25, 10), RGB(0, 128, 0));
    EXPECT_EQ(BackBuffer(5, 60), RGB(200, 30, 40));
}

TEST_F(ColourDialogs, CancelChangesNothing)
{
    doc.Transparency.PenColor = RGB(1, 2, 3);
    ModalBoxCatcher catcher(IDCANCEL);
    SendMessageA(window, WM_COMMAND, IDM_COLOURS, 0);
    SendMessageA(window, WM_COMMAND, IDM_TRANSPARENCY, 0);
    PumpMessages();
    EXPECT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(doc.Transparency.PenColor, uint32_t(RGB(1, 2, 3)));
    EXPECT_EQ(doc.Transparency.MaskActive, 0);
    EXPECT_EQ(doc.Transparency.BackgroundMode, kTransparent);
}
