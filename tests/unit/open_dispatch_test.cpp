#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/open_dispatch.h"
#include "colour/transparency_state.h"
#include "formats/standard/save_pipeline.h"
#include "formats/painter/painter_record.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"
#include "tools/writers/item_file_writer.h"

namespace {

WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x1234);
RecordingFrontEnd ui(kWindow);

class OpenDispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clear();
        doc.Transparency.MaskActive = 1;
        std::strcpy(doc.CurrentPainter.name, "前の絵師");
        doc.Picture.ResizeAndFill(3, 2, 0x55);
        doc.Picture.FillHeaders();
        std::strcpy(doc.Picture.path, "previous.bmp");
    }

    // Before the next open: its messages and changes alone.
    void Clear()
    {
        ClearRecordedCalls();
        changes = ViewChanges();
    }

    std::vector<RecordedMessage> Messages() const { return Recorded().messages; }
    std::string ShownTitle() const { return changes.titleText; }

    // The picture must stay the one loaded before.
    void ExpectPictureUnchanged() const
    {
        EXPECT_EQ(doc.Picture.width, 3);
        EXPECT_EQ(doc.Picture.height, 2);
        EXPECT_EQ(doc.Picture.pixels.data[0], 0x55);
    }

    Document doc;
    ViewChanges changes;
    TempDir dir;
};

std::string Title(const std::string& path, const std::string& painter)
{
    return path + "（絵師：" + painter + "） - zavik view";
}

const RecordedMessage kUnsupported{kWindow, "ファイルの読み込みに失敗しました。未対応のファイルです。", "失敗"};
const RecordedMessage kNotLoaded{kWindow, "ファイルの読み込みに失敗しました。", "失敗"};

}  // namespace

TEST_F(OpenDispatch, MissingFileShowsBothBoxesAndChangesNothing)
{
    std::string path = dir.Path("nothing here.esi");
    EXPECT_EQ(Read_ESI_CNV(ui, path.c_str(), doc, changes), kOpenCannotOpen);
    std::vector<RecordedMessage> expected = {{kWindow, "ファイル生成に失敗しました。", "Read_ESI_CNV"},
                                             {kWindow, path, "test"}};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(doc.Transparency.MaskActive, 1);   // reset only after a successful open
    EXPECT_FALSE(changes.title);
    EXPECT_FALSE(changes.layout);
    ExpectPictureUnchanged();
}

TEST_F(OpenDispatch, UnknownContentIsTriedAsStandardImage)
{
    std::string path = dir.Write("data.dat", "just some bytes");
    EXPECT_EQ(Read_ESI_CNV(ui, path.c_str(), doc, changes), kOpenDone);
    std::vector<RecordedMessage> expected = {kUnsupported, kNotLoaded};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(doc.kind, kNone);
    EXPECT_EQ(doc.Transparency.MaskActive, 0);
    EXPECT_STREQ(doc.CurrentPainter.name, "－－");
    EXPECT_TRUE(changes.layout);
    ASSERT_TRUE(changes.title);
    EXPECT_EQ(ShownTitle(), Title(path, "－－"));
    EXPECT_STREQ(doc.CurrentPath, path.c_str());
    EXPECT_STREQ(doc.Picture.path, "previous.bmp");
    ExpectPictureUnchanged();
}

// A bitmap is known by its name and its content together: under another
// name its bytes go on to the JPEG name test, and are a JPEG's if so named.
TEST_F(OpenDispatch, ABitmapIsKnownByItsNameAndItsContent)
{
    doc.Picture.ResizeAndFill(4, 1, 0x21);
    const std::string real = dir.Path("real.bmp");
    ASSERT_EQ(WriteBMP(ui, real.c_str(), doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency), kBMPWritten);
    std::ifstream in(real, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const RecordedMessage notJpeg{kWindow, "JPEGファイルオープンに失敗しました。2", "失敗"};
    const struct {
        const char* name;
        std::vector<RecordedMessage> messages;
    } cases[] = {{"x.dat", {kUnsupported, kNotLoaded}}, {"y.jpg", {notJpeg, kNotLoaded}}, {"z.bMp", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        EXPECT_EQ(Read_ESI_CNV(ui, dir.Write(c.name, bytes).c_str(), doc, changes), kOpenDone);
        EXPECT_EQ(Messages(), c.messages);
        EXPECT_EQ(doc.kind, c.messages.empty() ? kStandardImage : kNone);
        EXPECT_EQ(doc.Picture.width, c.messages.empty() ? 4 : 3);
    }
}

TEST_F(OpenDispatch, ItemMagicWinsOverTheName)
{
    std::string path = dir.Write("really an item.esi", std::string("itm file 0f\0", 12) + "rest");
    EXPECT_EQ(Read_ESI_CNV(ui, path.c_str(), doc, changes), kOpenDone);
    std::vector<RecordedMessage> expected = {{kWindow, "アイテムの読み込みに失敗しました。", "失敗"}};
    EXPECT_EQ(Messages(), expected);
    EXPECT_STREQ(doc.CurrentPainter.name, "－－");
    ASSERT_TRUE(changes.title);
    EXPECT_EQ(ShownTitle(), Title(path, "－－"));
    EXPECT_FALSE(changes.layout);   // a failed item is not laid out
}

// An item opened by its content is laid out before its "no painter" name is
// set: the layout's status keeps the previous painter while the title, set
// after it, names none. The front end lays out after the open returns, so
// the changes must carry the name as it was at the layout.
TEST_F(OpenDispatch, AnItemIsLaidOutUnderThePreviousPainterAndTitledUnderNone)
{
    ItemRecord item;
    std::strcpy(item.name, "筆");
    RasterImage picture;
    picture.ResizeAndFill(kItemPictureSize, kItemPictureSize, 0x30);
    const std::string path = dir.Path("pen.itm");
    ASSERT_TRUE(WriteItemFile(path.c_str(), ItemFileLayout(item, picture)));
    EXPECT_EQ(Read_ESI_CNV(ui, path.c_str(), doc, changes), kOpenDone);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(doc.kind, kPenItem);
    EXPECT_TRUE(changes.layout);
    EXPECT_STREQ(changes.layoutPainterName, "前の絵師");
    EXPECT_STREQ(doc.CurrentPainter.name, "－－");
    EXPECT_EQ(ShownTitle(), Title(path, "－－"));
}

TEST_F(OpenDispatch, PainterFailureEndsTheOpenEarly)
{
    // An empty file is dispatched as a painter: the header buffer still holds "esi file 0f".
    for (const std::string& content : {std::string(), std::string("esi file 0a"), std::string("esi")}) {
        Clear();
        std::string path = dir.Write("p.bin", content);
        EXPECT_EQ(Read_ESI_CNV(ui, path.c_str(), doc, changes), kOpenReadFailed) << content;
        EXPECT_FALSE(changes.title);
        EXPECT_FALSE(changes.layout);
        EXPECT_STREQ(doc.PainterPath, "");
        EXPECT_STREQ(doc.CurrentPainter.name, "前の絵師");
    }
}

TEST_F(OpenDispatch, CanvasFailureShowsItsBox)
{
    std::string path = dir.Write("c.cnv", std::string("cnv file 0a\x07", 12));
    EXPECT_EQ(Read_ESI_CNV(ui, path.c_str(), doc, changes), kOpenReadFailed);
    std::vector<RecordedMessage> expected = {{kWindow, "失敗：ReadCNV2", "失敗しちゃいました。"}};
    EXPECT_EQ(Messages(), expected);
    EXPECT_FALSE(changes.title);
    EXPECT_STREQ(doc.CanvasPath, "");
}

TEST_F(OpenDispatch, ElevenBytesOtherThanAOrFGoOnToTheStandardImages)
{
    std::string path = dir.Write("x.esi", std::string("esi file 0c\0", 12));
    EXPECT_EQ(Read_ESI_CNV(ui, path.c_str(), doc, changes), kOpenDone);
    std::vector<RecordedMessage> expected = {kUnsupported, kNotLoaded};
    EXPECT_EQ(Messages(), expected);
}

TEST_F(OpenDispatch, FilterTextIsFourteenStrings)
{
    std::vector<std::string> parts;
    const char* p = kOpenFilter;
    while (*p) {
        parts.emplace_back(p);
        p += parts.back().size() + 1;
    }
    EXPECT_EQ(p - kOpenFilter + 1, kOpenFilterBytes);   // the second NUL ends it
    const std::vector<std::string> expected = {
        "IMG (*.ESI *.CNV *.JPG, *.BMP, *PNG, *ITM)", "*.esi;*.cnv;*.jpg;*.bmp;*.png;*.itm",
        "ESI (*.ESI)", "*.esi", "CNV (*.CNV)", "*.cnv", "JPEG (*.JPG)", "*.jpg",
        "Bitmap (*.BMP)", "*.BMP", "PNG (*.PNG)", "*.PNG", "Item (*.ITM)", "*.ITM"};
    EXPECT_EQ(parts, expected);
}

TEST_F(OpenDispatch, DialogAllTypesIsTheContentDispatch)
{
    std::string path = dir.Write("a.dat", "zzzz");
    EXPECT_EQ(OpenChosenFile(ui, 1, path.c_str(), doc, changes), kOpenDone);
    std::vector<RecordedMessage> expected = {kUnsupported, kNotLoaded};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(doc.Transparency.MaskActive, 0);
    EXPECT_EQ(ShownTitle(), Title(path, "－－"));

    Clear();
    doc.Transparency.MaskActive = 1;
    EXPECT_EQ(OpenChosenFile(ui, 1, dir.Path("gone.esi").c_str(), doc, changes), kOpenCannotOpen);
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(doc.Transparency.MaskActive, 0);   // the dialog resets it as soon as it returns
}

TEST_F(OpenDispatch, DialogPainterAndCanvasEntriesOnOtherFiles)
{
    // "ESI" on a file that is no painter: only a new layout, the title with the old name.
    std::string jpeg = dir.Write("photo.jpg", "\xFF\xD8\xFF\xE0 not really");
    EXPECT_EQ(OpenChosenFile(ui, 2, jpeg.c_str(), doc, changes), kOpenDone);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(changes.layout);
    EXPECT_EQ(ShownTitle(), Title(jpeg, "前の絵師"));
    EXPECT_EQ(doc.kind, kNone);

    Clear();
    EXPECT_EQ(OpenChosenFile(ui, 3, jpeg.c_str(), doc, changes), kOpenDone);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(changes.layout);

    Clear();
    std::string painter = dir.Write("p.esi", std::string("esi file 0f\0", 12));
    EXPECT_EQ(OpenChosenFile(ui, 2, painter.c_str(), doc, changes), kOpenReadFailed);
    EXPECT_FALSE(changes.title);

    Clear();
    std::string canvas = dir.Write("c.cnv", std::string("cnv file 0a\0", 12));
    EXPECT_EQ(OpenChosenFile(ui, 3, canvas.c_str(), doc, changes), kOpenReadFailed);
    std::vector<RecordedMessage> expected = {{kWindow, "失敗：ReadCNV2", "失敗しちゃいました。"}};
    EXPECT_EQ(Messages(), expected);

    Clear();
    EXPECT_EQ(OpenChosenFile(ui, 2, dir.Path("gone.esi").c_str(), doc, changes), kOpenCannotOpen);
    EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(OpenDispatch, DialogJpegAndBitmapEntriesSetTheKindEvenOnFailure)
{
    std::string path = dir.Write("not a jpeg.jpg", "plain text");
    EXPECT_EQ(OpenChosenFile(ui, 4, path.c_str(), doc, changes), kOpenDone);
    std::vector<RecordedMessage> expected = {{kWindow, "JPEGファイルオープンに失敗しました。", "失敗"}};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(doc.kind, kStandardImage);
    EXPECT_STREQ(doc.Picture.path, path.c_str());
    EXPECT_TRUE(changes.layout);
    EXPECT_EQ(ShownTitle(), Title(path, "前の絵師"));   // the name stays
    ExpectPictureUnchanged();

    Clear();
    doc.kind = kNone;
    std::string bmp = dir.Write("not a bitmap.bmp", "plain text");
    EXPECT_EQ(OpenChosenFile(ui, 5, bmp.c_str(), doc, changes), kOpenDone);
    expected = {{kWindow, "BMPファイルオープンに失敗しました。", "失敗"}};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(doc.kind, kStandardImage);
    EXPECT_FALSE(changes.layout);
    ExpectPictureUnchanged();
}

TEST_F(OpenDispatch, DialogPngItemAndUnknownEntries)
{
    std::string path = dir.Write("x.png", "not png");
    EXPECT_EQ(OpenChosenFile(ui, 6, path.c_str(), doc, changes), kOpenDone);
    std::vector<RecordedMessage> expected = {kUnsupported};
    EXPECT_EQ(Messages(), expected);
    EXPECT_EQ(doc.kind, kNone);
    EXPECT_FALSE(changes.layout);
    EXPECT_EQ(ShownTitle(), Title(path, "前の絵師"));

    // The PNG entry runs the whole content test, so a bitmap opens as one.
    Clear();
    doc.Picture.ResizeAndFill(4, 3, 0x21);
    doc.Picture.FillHeaders();
    const std::string bmp = dir.Path("chosen as png.bmp");
    ASSERT_EQ(WriteBMP(ui, bmp.c_str(), doc.Picture, doc.AlphaMask, doc.Backdrop, doc.Transparency), kBMPWritten);
    doc.Picture.ResizeAndFill(3, 2, 0x55);
    EXPECT_EQ(OpenChosenFile(ui, 6, bmp.c_str(), doc, changes), kOpenDone);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(doc.kind, kStandardImage);
    EXPECT_EQ(doc.Picture.width, 4);
    EXPECT_EQ(doc.Picture.pixels.data[0], 0x21);
    EXPECT_TRUE(changes.layout);
    EXPECT_EQ(ShownTitle(), Title(bmp, "前の絵師"));

    Clear();
    EXPECT_EQ(OpenChosenFile(ui, 7, path.c_str(), doc, changes), kOpenDone);
    expected = {{kWindow, "アイテムの読み込みに失敗しました。", "失敗"}};
    EXPECT_EQ(Messages(), expected);
    EXPECT_STREQ(doc.CurrentPainter.name, "前の絵師");

    Clear();
    EXPECT_EQ(OpenChosenFile(ui, 9, path.c_str(), doc, changes), kOpenDone);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(changes.title);
}

TEST_F(OpenDispatch, EarlierPathsSurviveLaterOpens)
{
    std::strcpy(doc.PainterPath, "old.esi");
    std::string path = dir.Write("d.dat", "??");
    Read_ESI_CNV(ui, path.c_str(), doc, changes);
    EXPECT_STREQ(doc.PainterPath, "old.esi");   // Save stays allowed
}
