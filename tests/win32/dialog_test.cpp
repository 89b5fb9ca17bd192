// The Properties dialogs of the real main window: the painter dialog shows
// the loaded painter's values, the item dialog the item's name and text.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/document.h"
#include "app/main_window_win32.h"
#include "app/open_dispatch.h"
#include "image/program_objects.h"
#include "resources/resource.h"
#include "tests/support/temp_files.h"
#include "tests/win32/message_box_hook_win32.h"
#include "tests/win32/window_fixture_win32.h"
#include "tools/writers/painter_file_writer.h"

namespace {

struct DialogSeen {
    std::map<int, std::string> texts;
    std::map<int, bool> visible, enabled;
    COLORREF fillPenCentre = CLR_INVALID, outlinePenCentre = CLR_INVALID;
};

class PropertiesDialog : public MainWindowTest {
protected:

    // Opens Properties and reads the dialog's controls before closing it.
    DialogSeen OpenProperties(const char* caption, std::initializer_list<int> ids, ModalBoxCatcher& catcher)
    {
        DialogSeen seen;
        catcher.OnDialog([&](HWND dialog) {
            if (WindowText(dialog) != caption)
                return;
            for (int id : ids) {
                HWND control = GetDlgItem(dialog, id);
                seen.texts[id] = control ? WindowText(control) : "<none>";
                seen.visible[id] = control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
                seen.enabled[id] = control && IsWindowEnabled(control);
            }
            ShowWindow(dialog, SW_SHOW);
            UpdateWindow(dialog);
            HDC dc = GetDC(dialog);
            seen.fillPenCentre = GetPixel(dc, 10 + 25, 59 + 25);
            seen.outlinePenCentre = GetPixel(dc, 10 + 25, 177 + 25);
            ReleaseDC(dialog, dc);
        });
        SendMessageA(window, WM_COMMAND, IDM_PROPERTIES, 0);
        PumpMessages();
        return seen;
    }

    TempDir dir;
};

// Pen pictures of one colour, so that their painted centres can be checked.
void Solid(RasterImage& p, uint8_t b, uint8_t g, uint8_t r)
{
    p.ResizeAndFill(50, 50, 0);
    for (int row = 0; row < 50; ++row)
        for (int x = 0; x < 50; ++x) {
            uint8_t* px = p.pixels.data + p.Offset(x, row);
            px[0] = b;
            px[1] = g;
            px[2] = r;
        }
    p.FillHeaders();
}

const std::initializer_list<int> kPainterControls = {
    IDC_PAINTER_NAME,      IDC_FILL_PEN_NAME,        IDC_FILL_PEN_SHAPE,      IDC_FILL_PEN_SIZE,
    IDC_FILL_PEN_HARDNESS, IDC_FILL_PEN_DENSITY,     IDC_OUTLINE_PEN_NAME,    IDC_OUTLINE_PEN_SHAPE,
    IDC_OUTLINE_PEN_SIZE,  IDC_OUTLINE_PEN_HARDNESS, IDC_OUTLINE_PEN_DENSITY, IDC_MEMO,
    IDC_DIAGNOSE,          IDC_STORE_MEMO,           IDC_CLOSE};

}  // namespace

TEST_F(PropertiesDialog, PainterWithTheRecordDefaults)
{
    // A painter file written from a fresh record, without pen pictures:
    // every value the dialog shows is the default.
    PainterRecord defaults;
    RasterImage picture;
    picture.ResizeAndFill(100, 100, 0);
    picture.FillHeaders();
    PainterFileLayout layout(defaults, picture);
    layout.penPicturesFlag = 0;
    std::string path = dir.Path("defaults.esi");
    ASSERT_TRUE(WritePainterFile(path.c_str(), layout));
    ModalBoxCatcher catcher;
    ASSERT_EQ(Read_ESI_CNV(window, path.c_str()), 0);
    DialogSeen seen = OpenProperties("絵師の特徴", kPainterControls, catcher);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    const std::map<int, std::string> expected = {
        {IDC_PAINTER_NAME, ""},        {IDC_FILL_PEN_NAME, "---"},     {IDC_FILL_PEN_SHAPE, "丸い筆"},
        {IDC_FILL_PEN_SIZE, "2"},      {IDC_FILL_PEN_HARDNESS, "20"},  {IDC_FILL_PEN_DENSITY, "50"},
        {IDC_OUTLINE_PEN_NAME, "---"}, {IDC_OUTLINE_PEN_SHAPE, "四角い筆"}, {IDC_OUTLINE_PEN_SIZE, "0"},
        {IDC_OUTLINE_PEN_HARDNESS, "0"}, {IDC_OUTLINE_PEN_DENSITY, "0"}, {IDC_MEMO, ""},
        {IDC_DIAGNOSE, "自動診断"},      {IDC_STORE_MEMO, "メモの保存"},  {IDC_CLOSE, "閉じる"}};
    for (const auto& [id, text] : expected)
        EXPECT_EQ(seen.texts[id], text) << id;
    // The two hidden commands are there, but neither visible nor enabled.
    EXPECT_FALSE(seen.visible[IDC_DIAGNOSE]);
    EXPECT_FALSE(seen.enabled[IDC_DIAGNOSE]);
    EXPECT_FALSE(seen.visible[IDC_STORE_MEMO]);
    EXPECT_FALSE(seen.enabled[IDC_STORE_MEMO]);
    EXPECT_TRUE(seen.visible[IDC_CLOSE]);
}

TEST_F(PropertiesDialog, PainterShowsTheLoadedValuesAndPenPictures)
{
    PainterRecord painter;
    std::strcpy(painter.name, "太郎");
    std::strcpy(painter.fillPenName, "太い筆");
    std::strcpy(painter.outlinePenName, "細い筆");
    std::strcpy(painter.memo, "一行目\r\n二行目");
    painter.fillPen.shape = kHybridShape;
    painter.fillPen.width = 14;
    painter.fillPen.consistency = 33;
    painter.fillPen.density = 71;
    painter.outlinePen.shape = 9999;
    painter.outlinePen.width = 3;
    Solid(painter.fillPenPicture, 0, 0, 255);       // red
    Solid(painter.outlinePenPicture, 255, 0, 0);    // blue
    RasterImage picture;
    picture.ResizeAndFill(100, 100, 0);
    picture.FillHeaders();
    std::string path = dir.Path("taro.esi");
    ASSERT_TRUE(WritePainterFile(path.c_str(), PainterFileLayout(painter, picture)));
    ModalBoxCatcher catcher;
    ASSERT_EQ(Read_ESI_CNV(window, path.c_str()), 0);
    DialogSeen seen = OpenProperties("絵師の特徴", kPainterControls, catcher);
    EXPECT_EQ(seen.texts[IDC_PAINTER_NAME], "太郎");
    EXPECT_EQ(seen.texts[IDC_FILL_PEN_NAME], "太い筆");
    EXPECT_EQ(seen.texts[IDC_FILL_PEN_SHAPE], "ハイブリッド筆");
    EXPECT_EQ(seen.texts[IDC_FILL_PEN_SIZE], "14");
    EXPECT_EQ(seen.texts[IDC_FILL_PEN_HARDNESS], "33");
    EXPECT_EQ(seen.texts[IDC_FILL_PEN_DENSITY], "71");
    EXPECT_EQ(seen.texts[IDC_OUTLINE_PEN_NAME], "細い筆");
    EXPECT_EQ(seen.texts[IDC_OUTLINE_PEN_SHAPE], "不明：丸筆になります。");
    EXPECT_EQ(seen.texts[IDC_OUTLINE_PEN_SIZE], "3");
    EXPECT_EQ(seen.texts[IDC_MEMO], "一行目\r\n二行目");
    EXPECT_EQ(seen.fillPenCentre, RGB(255, 0, 0));
    EXPECT_EQ(seen.outlinePenCentre, RGB(0, 0, 255));
}

TEST_F(PropertiesDialog, ItemShowsItsNamePictureAndExplanation)
{
    const std::string path = ZAVIK_SAMPLES "/kirakira.itm";
    ModalBoxCatcher catcher;
    ASSERT_EQ(Read_ESI_CNV(window, path.c_str()), 0);
    EXPECT_EQ(Document.kind, kPenItem);
    EXPECT_EQ(WindowText(window), path + "（絵師：－－） - zavik view");
    std::map<int, std::string> texts;
    std::map<int, bool> visible, enabled;
    bool fillPenChecked = false;
    COLORREF background = CLR_INVALID, gem = CLR_INVALID;
    catcher.OnDialog([&](HWND dialog) {
        if (WindowText(dialog) != "アイテムを使う")
            return;
        for (int id : {IDC_ITEM_NAME, IDC_ITEM_EXPLANATION, IDC_ITEM_FILL_PEN, IDC_ITEM_OUTLINE_PEN,
                       IDC_ITEM_PEN_GROUP, IDC_ITEM_QUESTION, IDOK}) {
            HWND control = GetDlgItem(dialog, id);
            texts[id] = control ? WindowText(control) : "<none>";
            visible[id] = control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
            enabled[id] = control && IsWindowEnabled(control);
        }
        fillPenChecked = IsDlgButtonChecked(dialog, IDC_ITEM_FILL_PEN) == BST_CHECKED;
        ShowWindow(dialog, SW_SHOW);
        UpdateWindow(dialog);
        HDC dc = GetDC(dialog);
        background = GetPixel(dc, 10 + 1, 10 + 1);   // the picture's white corner
        gem = GetPixel(dc, 10 + 25, 10 + 30);
        ReleaseDC(dialog, dc);
    });
    SendMessageA(window, WM_COMMAND, IDM_PROPERTIES, 0);
    PumpMessages();
    for (const SeenBox& box : catcher.Boxes())
        EXPECT_EQ(box.caption, "アイテムを使う");   // no failure box
    EXPECT_EQ(texts[IDC_ITEM_NAME], "きらきら筆");
    EXPECT_EQ(texts[IDC_ITEM_EXPLANATION],
              "種類：ハイブリッド筆\r\n\r\n幅：6\r\n硬さ：40\r\n密度：70\r\n\r\n斜めの筆（右上向き）, ひし形の筆, ");
    EXPECT_EQ(texts[IDC_ITEM_QUESTION], "上記のアイテムを今呼ばれている絵師に適応しますか？");
    for (int id : {IDC_ITEM_FILL_PEN, IDC_ITEM_OUTLINE_PEN, IDC_ITEM_PEN_GROUP, IDC_ITEM_QUESTION})
        EXPECT_FALSE(visible[id]) << id;
    EXPECT_TRUE(visible[IDOK]);
    // A pen item: the (hidden) choice is enabled, with the fill pen chosen.
    EXPECT_TRUE(enabled[IDC_ITEM_FILL_PEN]);
    EXPECT_TRUE(fillPenChecked);
    EXPECT_EQ(background, RGB(255, 255, 255));
    EXPECT_NE(gem, RGB(255, 255, 255));
}

TEST_F(PropertiesDialog, ItemThatIsGoneSaysSo)
{
    std::string path = dir.Path("gone.itm");
    ASSERT_TRUE(CopyFileA(ZAVIK_SAMPLES "/kirakira.itm", path.c_str(), FALSE));
    ModalBoxCatcher catcher;
    ASSERT_EQ(Read_ESI_CNV(window, path.c_str()), 0);
    DeleteFileA(path.c_str());
    SendMessageA(window, WM_COMMAND, IDM_PROPERTIES, 0);
    PumpMessages();
    std::vector<std::pair<std::string, std::string>> boxes;
    for (const SeenBox& box : catcher.Boxes())
        if (box.caption != "アイテムを使う")
            boxes.emplace_back(box.text, box.caption);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ファイルオープンに失敗しました。ReadItem", "失敗"}, {path, "失敗"}};
    EXPECT_EQ(boxes, expected);
}
