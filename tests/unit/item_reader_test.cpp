#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/open_readers.h"
#include "formats/painter/item_reader.h"
#include "formats/painter/painter_reader.h"
#include "image/little_endian.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"
#include "tools/writers/item_file_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x5150);
RecordingFrontEnd ui(kWindow);
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr size_t kWhole = std::numeric_limits<size_t>::max();

class ItemReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearRecordedCalls();
        doc.kind = kCanvas;   // what was loaded before
        std::strcpy(doc.ItemExplanation, "前のアイテム");
        std::strcpy(target.name, "前");
        // Every field its own value, so that a field taken from the wrong place shows.
        std::strcpy(source.name, "魔法の筆");
        int32_t* fields = &source.itemValueA;   // the int32 members, without padding
        for (size_t i = 0; i < (sizeof source - sizeof source.name) / 4 - 1; ++i)
            fields[i] = 100 + static_cast<int32_t>(i);
        picture.ResizeAndFill(kItemPictureSize, kItemPictureSize, 0);
        for (int32_t k = 0; k + 1 < picture.pixels.length; ++k)   // run planes never code the last byte
            picture.pixels.data[k] = static_cast<uint8_t>(k * 7 / 5);
    }

    // The item written by `layout` after `change`, cut to `kept` bytes, read into target.
    int Read(const std::function<void(ItemFileLayout&)>& change, size_t kept = kWhole)
    {
        ItemFileLayout layout(source, picture);
        layout.itemKind = kItemKindOther;
        layout.shortText = "短い説明";
        change(layout);
        Bytes bytes = ItemFileBytes(layout);
        bytes.resize(std::min(kept, bytes.size()));
        std::string path = dir.Write("item.itm", std::string(bytes.begin(), bytes.end()));
        return ReadItem(ui, path.c_str(), doc, read, target);
    }
    bool SamePixels(const RasterImage& a) const
    {
        return a.pixels.length == picture.pixels.length &&
               std::memcmp(a.pixels.data, picture.pixels.data, a.pixels.length) == 0;
    }
    size_t PictureStart() const { return kItemHeaderBytes + std::strlen(source.name) + 476; }

    Document doc;
    TempDir dir;
    RasterImage picture, read;
    ItemRecord source, target;
};

}  // namespace

TEST_F(ItemReader, ReadsEveryFieldInFileOrder)
{
    for (int32_t mode : {0, 1}) {
        ClearRecordedCalls();
        ASSERT_EQ(Read([&](ItemFileLayout& l) { l.pictureMode = mode; l.magic[11] = 'X'; }), kItemRead);
        EXPECT_EQ(std::memcmp(&target, &source, sizeof target), 0);
        EXPECT_EQ(read.width, kItemPictureSize);
        EXPECT_TRUE(SamePixels(read)) << mode;
        EXPECT_STREQ(doc.ItemExplanation, "短い説明");
        EXPECT_EQ(doc.kind, kOtherItem);
        EXPECT_TRUE(Recorded().messages.empty());
        std::vector<std::pair<int, std::string>> shown = {{1012, "魔法の筆"}};
        EXPECT_EQ(Recorded().controlTexts, shown);
    }
}

// Where each field lies, from the layout rather than from the writer's field
// order (which the read-back above shares): source's int32 members hold 100
// onwards in record order, so a value names the member it came from.
TEST_F(ItemReader, FieldOffsets)
{
    ItemFileLayout layout(source, picture);
    layout.itemKind = kItemKindOther;
    layout.longTextFlag = 1;
    layout.reservedFill = 0xA5;
    layout.shortText = "短い説明";
    layout.pictureMode = kPackedModeRaw;
    const Bytes file = ItemFileBytes(layout);
    const size_t n = std::strlen(source.name);
    auto word = [&](size_t offset) { return LoadI32LE(&file.at(offset + 3) - 3); };
    const std::vector<std::pair<size_t, int32_t>> fixed = {{12, 0}, {16, kItemKindOther}, {20, 1},
                                                           {220, static_cast<int32_t>(n)}};
    for (auto [offset, value] : fixed)
        EXPECT_EQ(word(offset), value) << "offset " << offset;
    EXPECT_EQ(file[24], 0xA5);
    EXPECT_EQ(file[219], 0xA5);
    EXPECT_EQ(std::memcmp(&file[224], source.name, n), 0);
    // After the name, offsets from 224 + N: penSelector, penAux, the five
    // shapes, width, consistency, density, then itemValueA, B, E, C, F, D, G.
    const std::vector<std::pair<size_t, int32_t>> afterName = {
        {0, 101},  {4, 102},   {8, 103},   {24, 107},  {28, 108},  {32, 109},  {36, 110},
        {40, 100}, {44, 111},  {48, 130},  {52, 112},  {56, 131},  {60, 113},  {64, 132},
        {68, 114}, {128, 129}, {132, 133}, {216, 154}, {476, kPackedModeRaw}, {480, 7600}};
    for (auto [offset, value] : afterName)
        EXPECT_EQ(word(224 + n + offset), value) << "offset 224 + N + " << offset;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[224 + n + 220])), "短い説明");
    EXPECT_EQ(file.size(), 224 + n + 476 + 8 + 7600 + 2000);   // the long text follows the picture
}

TEST_F(ItemReader, PenItemsRebuildTheExplanation)
{
    const struct {
        int32_t selector, shapes[5], width, consistency, density;
        const char* text;
    } cases[] = {
        {-2, {3, -1, 5, -1, -1}, 4, 20, 50,
         "種類：ハイブリッド筆\r\n\r\n幅：4\r\n硬さ：20\r\n密度：50\r\n\r\n斜めの筆（右上向き）, ひし形の筆, "},
        {0, {1, 3, -1, -1, -1}, 4, 20, 50, "種類：丸い筆\r\n\r\n幅：4\r\n硬さ：20\r\n密度：50\r\n"},
        {-1, {34, -1, -1, -1, -1}, 0, 0, 0, "種類：斜め（丸縁取り）１，２のハイブリッド\r\n\r\n幅：0\r\n硬さ：0\r\n密度：0\r\n"},
        {7, {-1, 0, 0, 0, 0}, kMin, -1, 2147483647,
         "種類：不明：丸筆になります。\r\n\r\n幅：-2147483648\r\n硬さ：-1\r\n密度：2147483647\r\n"},
    };
    for (const auto& c : cases) {
        source.penSelector = c.selector;
        std::memcpy(source.penShapes, c.shapes, sizeof c.shapes);
        source.penWidth = c.width;
        source.penConsistency = c.consistency;
        source.penDensity = c.density;
        ASSERT_EQ(Read([](ItemFileLayout& l) { l.itemKind = kItemKindPen; l.longTextFlag = 1; l.longText = "長い"; }),
                  kItemRead);
        EXPECT_STREQ(doc.ItemExplanation, c.text);
        EXPECT_EQ(doc.kind, kPenItem);
    }
}

TEST_F(ItemReader, StoredExplanations)
{
    std::string sjis2000;
    for (int i = 0; i < 1000; ++i)
        sjis2000 += "説";
    const struct {
        int32_t kind, flag;
        std::string shortText, longText;
        size_t kept;
        std::string shown;
        int32_t documentKind;
    } cases[] = {
        {1, 1, "短い", "長い説明", kWhole, "長い説明", kOtherItem},
        {1, 1, "短い", std::string(2000, 'L'), kWhole, std::string(2000, 'L'), kOtherItem},   // no zero byte
        {1, 1, "短い", sjis2000, kWhole, sjis2000, kOtherItem},
        {1, 0, std::string(256, 'S'), "", kWhole, std::string(256, 'S'), kOtherItem},   // no older text behind it
        {1, 1, "短い", "長い説明", PictureStart() + 7600 + 8 + 1999, "短い", kOtherItem},   // long text cut short
        {2, 1, "短い", "長い説明", kWhole, "長い説明", kCanvas},   // unknown kinds keep the document kind
    };
    for (const auto& c : cases) {
        std::memset(doc.ItemExplanation, 'x', kItemLongTextBytes);
        doc.kind = kCanvas;
        ASSERT_EQ(Read([&](ItemFileLayout& l) {
                      l.itemKind = c.kind;
                      l.longTextFlag = c.flag;
                      l.shortText = c.shortText;
                      l.longText = c.longText;
                      l.pictureMode = 0;
                  }, c.kept),
                  kItemRead);
        EXPECT_EQ(std::string(doc.ItemExplanation), c.shown);
        EXPECT_EQ(doc.kind, c.documentKind);
    }
    // A picture cut short is still an item: the bytes the file has, then 0xFF.
    ASSERT_EQ(Read([](ItemFileLayout& l) { l.pictureMode = 0; }, PictureStart() + 8 + 100), kItemRead);
    EXPECT_EQ(std::memcmp(read.pixels.data, picture.pixels.data, 100), 0);
    EXPECT_EQ(read.pixels.data[100], 0xFF);
}

TEST_F(ItemReader, RefusedFilesChangeNothing)
{
    const auto none = [](ItemFileLayout&) {};
    const size_t nameEnd = kItemHeaderBytes + std::strlen(source.name);
    const struct {
        const char* what;
        std::function<void(ItemFileLayout&)> change;
        size_t kept;
        int result;
    } cases[] = {
        {"magic", [](ItemFileLayout& l) { l.magic = std::string("itm file 0a", 12); }, kWhole, kItemNotRead},
        {"version", [](ItemFileLayout& l) { l.version = 1; }, kWhole, kItemBadVersion},
        {"negative N", [](ItemFileLayout& l) { l.nameLength = -1; }, kWhole, kItemNotRead},
        {"most negative N", [](ItemFileLayout& l) { l.nameLength = kMin; }, kWhole, kItemNotRead},
        {"N beyond the file", [](ItemFileLayout& l) { l.nameLength = 0x7FFFFFFF; }, kWhole, kItemNotRead},
        {"empty", none, 0, kItemNotRead},
        {"before the version", none, 12, kItemNotRead},
        {"in the name", none, nameEnd - 1, kItemNotRead},
        {"in the pen fields", none, nameEnd + 100, kItemNotRead},
        {"in the short text", none, PictureStart() - 1, kItemNotRead},
    };
    for (const auto& c : cases) {
        ClearRecordedCalls();
        EXPECT_EQ(Read(c.change, c.kept), c.result) << c.what;
        EXPECT_STREQ(target.name, "前") << c.what;
        EXPECT_STREQ(doc.ItemExplanation, "前のアイテム") << c.what;
        EXPECT_EQ(doc.kind, kCanvas) << c.what;
        EXPECT_TRUE(Recorded().messages.empty()) << c.what;
        EXPECT_TRUE(Recorded().controlTexts.empty()) << c.what;
    }
    EXPECT_EQ(ReadItem(ui, dir.Path("none.itm").c_str(), doc, read, target), kItemNotRead);
    std::vector<RecordedMessage> expected = {{kWindow, "ファイルオープンに失敗しました。ReadItem", "失敗"}};
    EXPECT_EQ(Recorded().messages, expected);
}

// The name is kept up to the record's buffer, cut at a character boundary;
// the fields after the N name bytes are still read from their place.
TEST_F(ItemReader, NamesOfAnyLength)
{
    std::string wide;
    for (int i = 0; i < 150; ++i)
        wide += "名";
    const struct {
        std::string bytes, name;
    } cases[] = {
        {"", ""},
        {std::string("abc\0defghi", 10), "abc"},
        {std::string(255, 'a'), std::string(255, 'a')},
        {std::string(256, 'b'), std::string(255, 'b')},
        {std::string(5000, 'c'), std::string(255, 'c')},
        {wide, wide.substr(0, 254)},   // 300 bytes: the 128th character would not fit whole
    };
    for (const auto& c : cases) {
        ClearRecordedCalls();
        ASSERT_EQ(Read([&](ItemFileLayout& l) { l.name = c.bytes; }), kItemRead) << c.bytes.size();
        EXPECT_EQ(std::string(target.name), c.name);
        EXPECT_EQ(std::memcmp(&target.itemValueA, &source.itemValueA, sizeof source - sizeof source.name), 0);
        EXPECT_STREQ(doc.ItemExplanation, "短い説明");
        EXPECT_TRUE(SamePixels(read));
        ASSERT_EQ(Recorded().controlTexts.size(), 1u);
        EXPECT_EQ(Recorded().controlTexts[0].second, c.name);
    }
}

TEST(ItemPenChoice, EffectAndOkRule)
{
    const struct {
        int32_t selector, width, consistency, density;
        bool effect, recorded;
    } cases[] = {
        {0, 4, 20, 50, true, true}, {-2, 4, 20, 50, true, true}, {-1, 4, 20, 50, false, false},
        {0, 0, 20, 50, false, false}, {0, 4, 0, 50, false, false}, {0, 4, 20, 0, false, false},
        {0, -4, 20, 50, true, false},   // a pen effect, but OK records no choice for it
    };
    for (const auto& c : cases) {
        ItemRecord item;
        item.penSelector = c.selector;
        item.penWidth = c.width;
        item.penConsistency = c.consistency;
        item.penDensity = c.density;
        EXPECT_EQ(ItemHasPenEffect(item), c.effect) << c.selector << " " << c.width;
        for (bool fill : {true, false}) {
            item.penChoice = 7;
            EXPECT_EQ(ApplyPenChoice(item, fill), c.recorded);
            EXPECT_EQ(item.penChoice, c.recorded ? (fill ? 0 : 1) : 7);
        }
    }
}
