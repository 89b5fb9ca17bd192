// The Properties dialogs of the real main window: the painter dialog shows
// the loaded painter's values, the item dialog the item's name and text.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/document.h"
#include "app/main_window_win32.h"
#include "app/open_dispatch.h"
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
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
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
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
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
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
    EXPECT_EQ(doc.kind, kPenItem);
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
    ASSERT_EQ(OpenInWindow(window, doc, path.c_str()), 0);
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

namespace {

// A dialog template as the module's resources hold it (the test program
// carries the program's resource script), texts in code page 932.
struct TemplateControl {
    int id, atom;   // atom: 0x80 button, 0x81 edit, 0x82 static
    DWORD style;
    std::string text;
    RECT units;     // x, y, width, height
};
struct DialogTemplate {
    DWORD style = 0;
    std::string title, font;
    int points = 0;
    RECT units = {};
    std::vector<TemplateControl> controls;
};

class TemplateReader {
public:
    TemplateReader(const uint8_t* base, size_t size) : base(base), size(size) {}
    WORD Word()
    {
        WORD v = 0;
        if (at + 2 <= size)
            std::memcpy(&v, base + at, 2);
        at += 2;
        return v;
    }
    DWORD Dword() { return Word() | static_cast<DWORD>(Word()) << 16; }
    RECT Units()
    {
        RECT r;
        r.left = static_cast<short>(Word());
        r.top = static_cast<short>(Word());
        r.right = static_cast<short>(Word());
        r.bottom = static_cast<short>(Word());
        return r;
    }
    void Align() { at = (at + 3) & ~size_t{3}; }
    // A text, or 0xFFFF and an ordinal (returned as the atom, the text empty).
    int TextOrOrdinal(std::string& text)
    {
        std::wstring wide;
        for (WORD c = Word(); c != 0 && at <= size; c = Word()) {
            if (c == 0xFFFF && wide.empty())
                return Word();
            wide += static_cast<wchar_t>(c);
        }
        char narrow[512] = {};
        WideCharToMultiByte(932, 0, wide.c_str(), static_cast<int>(wide.size()), narrow, sizeof narrow - 1, nullptr,
                            nullptr);
        text = narrow;
        const char* const classes[] = {"button", "edit", "static"};
        for (int i = 0; i < 3; ++i)
            if (lstrcmpiA(narrow, classes[i]) == 0)
                return 0x80 + i;
        return 0;
    }
    size_t at = 0;

private:
    const uint8_t* base;
    size_t size;
};

DialogTemplate LoadDialogTemplate(int id)
{
    DialogTemplate dialog;
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));   // RT_DIALOG
    if (!found)
        return dialog;
    TemplateReader in(static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found))),
                      SizeofResource(nullptr, found));
    dialog.style = in.Dword();
    in.Dword();   // extended style
    const int count = in.Word();
    dialog.units = in.Units();
    std::string ignored;
    in.TextOrOrdinal(ignored);   // menu
    in.TextOrOrdinal(ignored);   // class
    in.TextOrOrdinal(dialog.title);
    if (dialog.style & DS_SETFONT) {
        dialog.points = in.Word();
        in.TextOrOrdinal(dialog.font);
    }
    for (int i = 0; i < count; ++i) {
        in.Align();
        TemplateControl c;
        c.style = in.Dword();
        in.Dword();
        c.units = in.Units();
        c.id = in.Word();
        c.atom = in.TextOrOrdinal(ignored);
        in.TextOrOrdinal(c.text);
        in.at += in.Word();   // creation data
        dialog.controls.push_back(c);
    }
    return dialog;
}

// What a control must be: its window class, the style bits under mask, and
// whether it is created hidden and disabled.
struct Kind {
    int atom;
    DWORD mask, style;
    bool hidden;
};
const Kind kText{0x82, SS_TYPEMASK, SS_LEFT, false};
const Kind kLine{0x82, SS_TYPEMASK, SS_ETCHEDHORZ, false};
const Kind kPush{0x80, BS_TYPEMASK, BS_PUSHBUTTON, false};
const Kind kHiddenPush{0x80, BS_TYPEMASK, BS_PUSHBUTTON, true};
const Kind kDefault{0x80, BS_TYPEMASK, BS_DEFPUSHBUTTON, false};
const Kind kGroup{0x80, BS_TYPEMASK, BS_GROUPBOX, false};
const Kind kRadio{0x80, BS_TYPEMASK, BS_AUTORADIOBUTTON, false};
const Kind kMemo{0x81, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER,
                 ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER, false};
const Kind kNumber{0x81, ES_AUTOHSCROLL | WS_BORDER, ES_AUTOHSCROLL | WS_BORDER, false};

struct ExpectedControl {
    int id;   // 0xFFFF: none
    Kind kind;
    const char* text;
    RECT units;
};

}  // namespace

// Dialogs 117, 146 and 147 as their templates hold them, control by control
// in template order: ids, texts, kinds, places and sizes in dialog units.
TEST(DialogTemplates, PainterTransparencyAndColourDialogs)
{
    const int none = 0xFFFF;
    const struct {
        int id;
        const char* title;
        RECT units;
        std::vector<ExpectedControl> controls;
    } dialogs[] = {
        {117, "絵師の特徴", {0, 0, 163, 307},
         {{none, kText, "名前", {6, 7, 15, 8}},
          {1050, kText, "", {26, 7, 130, 8}},
          {none, kLine, "", {6, 22, 150, 1}},
          {none, kText, "●塗る時の平均的な特徴", {6, 25, 150, 8}},
          {none, kText, "筆の名前", {47, 39, 28, 8}},
          {1012, kText, "", {88, 39, 68, 8}},
          {none, kText, "筆の種類", {47, 51, 28, 8}},
          {1017, kText, "", {88, 51, 68, 8}},
          {none, kText, "筆の大きさ", {47, 63, 32, 8}},
          {1018, kText, "", {88, 63, 68, 8}},
          {none, kText, "筆の硬さ", {47, 75, 27, 8}},
          {1005, kText, "", {88, 75, 68, 8}},
          {none, kText, "筆の密度", {47, 87, 28, 8}},
          {1006, kText, "", {88, 87, 68, 8}},
          {none, kLine, "", {6, 99, 150, 1}},
          {none, kText, "●輪郭描画の時の平均的な特徴", {6, 103, 96, 8}},
          {none, kText, "筆の名前", {47, 117, 28, 8}},
          {1013, kText, "", {88, 117, 68, 8}},
          {none, kText, "筆の種類", {47, 129, 28, 8}},
          {1057, kText, "", {88, 129, 68, 8}},
          {none, kText, "筆の大きさ", {47, 141, 32, 8}},
          {1058, kText, "", {88, 141, 68, 8}},
          {none, kText, "筆の硬さ", {47, 153, 27, 8}},
          {1007, kText, "", {88, 153, 68, 8}},
          {none, kText, "筆の密度", {47, 165, 28, 8}},
          {1008, kText, "", {88, 165, 68, 8}},
          {none, kLine, "", {6, 183, 150, 1}},
          {none, kText, "●特徴（メモ）", {6, 188, 40, 8}},
          {1160, kHiddenPush, "自動診断", {56, 186, 50, 11}},
          {1049, kMemo, "", {6, 200, 150, 80}},
          {1161, kHiddenPush, "メモの保存", {22, 286, 50, 14}},
          {8, kPush, "閉じる", {56, 286, 50, 14}}}},
        {146, "背景透過", {0, 0, 135, 119},
         {{1, kDefault, "OK", {9, 98, 50, 14}},
          {2, kPush, "ｷｬﾝｾﾙ", {78, 98, 50, 14}},
          {1000, kText, "筆の色", {54, 19, 22, 8}},
          {1001, kText, "背景の色", {54, 43, 28, 8}},
          {1003, kPush, "反転", {87, 28, 18, 15}},
          {1006, kNumber, "", {88, 63, 40, 14}},
          {none, kText, "背景色の輝度誤差(0-255)", {7, 67, 78, 8}}}},
        {147, "筆と背景の色", {0, 0, 130, 147},
         {{1, kDefault, "OK", {7, 126, 50, 14}},
          {2, kPush, "ｷｬﾝｾﾙ", {73, 126, 50, 14}},
          {none, kText, "・筆の色", {7, 19, 25, 8}},
          {1007, kPush, "変更する", {73, 17, 50, 14}},
          {none, kGroup, "背景", {7, 47, 116, 63}},
          {1131, kRadio, "", {14, 67, 8, 9}},
          {none, kText, "透過", {26, 67, 15, 8}},
          {1132, kRadio, "", {14, 87, 8, 9}},
          {none, kText, "背景色", {26, 87, 22, 8}},
          {1008, kPush, "変更する", {79, 84, 38, 14}}}},
    };
    const DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.id);
        const DialogTemplate got = LoadDialogTemplate(d.id);
        EXPECT_EQ(got.title, d.title);
        EXPECT_EQ(got.style & frame, frame);
        EXPECT_EQ(got.points, 9);
        EXPECT_EQ(got.font, "ＭＳ Ｐゴシック");
        EXPECT_TRUE(EqualRect(&got.units, &d.units));
        ASSERT_EQ(got.controls.size(), d.controls.size());
        for (size_t i = 0; i < d.controls.size(); ++i) {
            const TemplateControl& c = got.controls[i];
            const ExpectedControl& e = d.controls[i];
            SCOPED_TRACE(testing::Message() << "control " << i << " " << e.text);
            EXPECT_EQ(c.id, e.id);
            EXPECT_EQ(c.atom, e.kind.atom);
            EXPECT_EQ(c.style & e.kind.mask, e.kind.style);
            EXPECT_EQ((c.style & WS_VISIBLE) == 0, e.kind.hidden);
            EXPECT_EQ((c.style & WS_DISABLED) != 0, e.kind.hidden);
            EXPECT_EQ(c.text, e.text);
            EXPECT_TRUE(EqualRect(&c.units, &e.units));
        }
    }
}
