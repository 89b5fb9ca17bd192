#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/document.h"
#include "app/open_readers.h"
#include "formats/painter/painter_reader.h"
#include "image/little_endian.h"
#include "tests/support/recording_platform.h"
#include "tests/support/temp_files.h"
#include "tools/writers/packed_picture_writer.h"
#include "tools/writers/painter_file_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x4321);
RecordingFrontEnd ui(kWindow);

// Every field gets its own value, so that a field taken from the wrong place shows.
void FillPen(PenSettings& pen, int32_t b)
{
    pen = PenSettings();
    pen.shape = b;
    pen.shapeAux = b + 1;
    for (int i = 0; i < 5; ++i)
        pen.hybridShapes[i] = b + 2 + i;
    int32_t* ints[] = {&pen.width, &pen.height, &pen.alpha, &pen.consistency, &pen.density,
                       &pen.stroke, &pen.strokeStep, &pen.interval, &pen.step, &pen.auxInt};
    for (int i = 0; i < 10; ++i)
        *ints[i] = b + 7 + i;
    for (int i = 0; i < 3; ++i)
        pen.auxFloats[i] = b + 17.5f + i;
    for (int i = 0; i < 4; ++i)
        pen.auxInts[i] = b + 20 + i;
    pen.brightness = b + 24.25f;
    pen.brightnessParam = b + 25;
    pen.hue = b + 26.5f;
    pen.hueParam = b + 27;
    pen.saturation = b + 28.75f;
    pen.saturationParam = b + 29;
}

// Buffer byte k: the first half one value (long runs), then short runs.
void Patterned(RasterImage& p, int size, int seed)
{
    p.ResizeAndFill(size, size, 0);
    for (int32_t k = 0; k < p.pixels.length; ++k)
        p.pixels.data[k] = static_cast<uint8_t>(k < p.pixels.length / 2 ? seed : (k / 37) * 13 + seed);
    p.FillHeaders();
}

void FillDistinct(PainterRecord& p, int32_t s)
{
    std::memset(p.name, 0, sizeof p.name);
    std::snprintf(p.name, kPainterNameBytes, "絵師%d", s);
    p.opaqueA = s + 1;
    p.isMaster = s + 2;
    p.opaqueB = s + 3;
    p.opaqueC = static_cast<uint8_t>(s + 4);
    p.opaqueD = s + 5;
    p.RefreshedCount = s + 6;
    p.Exp = s + 7;
    p.RefreshExp = s + 8;
    p.PaintedCount = s + 9;
    p.Type = static_cast<int8_t>(-s - 10);
    p.opaqueE = static_cast<uint8_t>(s + 11);
    FillPen(p.fillPen, s + 100);
    FillPen(p.outlinePen, s + 200);
    p.ErrorRangeForL = s + 12.5f;
    p.ErrorRangeForH = s + 13.5f;
    p.LoopTimeForL = s + 14;
    p.LoopTimeForH = s + 15;
    p.RegionSwitch = s + 16;
    p.PL = s + 17;
    p.extraPresent = 1;
    for (int i = 0; i < 46; ++i) {
        p.extraTableA[i] = static_cast<uint8_t>(s + i);
        p.extraTableB[i] = static_cast<uint8_t>(s + 100 + i);
    }
    p.extraValueA = s + 18;
    p.extraFlag = static_cast<uint8_t>(s + 19);
    p.extraValueB = s + 20;
    std::snprintf(p.fillPenName, sizeof p.fillPenName, "塗り%d", s);
    std::snprintf(p.outlinePenName, sizeof p.outlinePenName, "輪郭%d", s);
    std::snprintf(p.memo, sizeof p.memo, "メモ%d", s);
    Patterned(p.fillPenPicture, kPenPictureSize, s + 1);
    Patterned(p.outlinePenPicture, kPenPictureSize, s + 2);
}

// The members both read forms write, except the name.
auto Scalars(const PainterRecord& p)
{
    return std::make_tuple(p.opaqueA, p.isMaster, p.opaqueB, p.opaqueC, p.opaqueD, p.RefreshedCount, p.Exp,
                           p.RefreshExp, p.PaintedCount, p.ErrorRangeForL, p.ErrorRangeForH, p.LoopTimeForL,
                           p.LoopTimeForH, p.RegionSwitch, p.PL);
}

// Pens compared bytewise (30 four-byte values, no padding); without the
// hybrid fields for the short form, which does not carry them.
bool SamePen(const PenSettings& a, PenSettings b, bool withHybrids)
{
    if (!withHybrids) {
        b.shapeAux = a.shapeAux;
        std::memcpy(b.hybridShapes, a.hybridShapes, sizeof b.hybridShapes);
    }
    return std::memcmp(&a, &b, sizeof a) == 0;
}

Bytes Cut(Bytes b, size_t n)
{
    b.resize(n);
    return b;
}

Bytes PixelBytes(const RasterImage& p) { return Bytes(p.pixels.data, p.pixels.data + p.pixels.length); }

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class PainterReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearRecordedCalls();
        doc.kind = kNone;
        doc.Picture.ResizeAndFill(3, 2, 0x55);   // the picture shown before
        doc.Picture.FillHeaders();
        FillDistinct(source, 1000);
        Patterned(picture, kPainterPictureSize, 0x40);
    }

    std::string Put(const Bytes& bytes)
    {
        return dir.Write("f" + std::to_string(files++) + ".esi", std::string(bytes.begin(), bytes.end()));
    }
    FilePtr Open(const Bytes& bytes) { return FilePtr(std::fopen(Put(bytes).c_str(), "rb")); }
    // The full reader (into this document), or the short one when given.
    int Read(PainterRecord& p, const Bytes& bytes, int (*shortReader)(ByteSource&, PainterRecord&) = nullptr)
    {
        FilePtr f = Open(bytes);
        ByteSource in(f.get());
        return shortReader ? shortReader(in, p) : ReadPainter(ui, in, doc, p);
    }
    void ExpectPreviousPicture() const
    {
        EXPECT_EQ(doc.Picture.width, 3);
        EXPECT_EQ(doc.Picture.pixels.data[0], 0x55);
    }

    Document doc;
    TempDir dir;
    int files = 0;
    PainterRecord source;
    RasterImage picture;
};

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

}  // namespace

TEST_F(PainterReader, FullLayoutOffsetsAndReadBack)
{
    PainterFileLayout layout(source, picture);
    layout.penPictureMode = kPackedModeRaw;
    layout.reservedFill = 0xA5;
    Bytes file = PainterFileBytes(layout);

    const PenSettings& f = source.fillPen;
    const PenSettings& o = source.outlinePen;
    const std::vector<std::pair<int, uint32_t>> words = {
        {66, 1005}, {70, 1}, {120, 1002}, {124, 1003}, {128, 1006}, {132, 1007}, {136, 1008}, {140, 1009},
        {144, 1100}, {148, 1107}, {184, 1116}, {188, Bits(f.auxFloats[0])}, {200, 1120}, {212, 1123},
        {216, Bits(f.brightness)}, {220, Bits(f.hue)}, {224, Bits(f.saturation)}, {228, 1125}, {232, 1127},
        {236, 1129}, {240, 1200}, {244, 1207}, {312, Bits(o.brightness)}, {332, 1229},
        {336, Bits(1012.5f)}, {340, Bits(1013.5f)}, {344, 1014}, {348, 1015}, {352, 1016}, {356, 1017},
        {360, 1001}, {364, 1101}, {368, 1102}, {384, 1106}, {388, 1201}, {392, 1202}, {408, 1206},
        {564, kPackedModeRuns}, {568, 30000}};
    for (auto [offset, value] : words)
        EXPECT_EQ(LoadU32LE(&file[offset]), value) << "offset " << offset;
    const Bytes flags = {source.opaqueC, 1, 1, static_cast<uint8_t>(source.Type), source.opaqueE, 1};
    EXPECT_EQ(Bytes(&file[74], &file[80]), flags);
    EXPECT_EQ(std::memcmp(&file[16], source.name, 50), 0);
    EXPECT_EQ(file[80], 0xA5);
    EXPECT_EQ(file[563], 0xA5);

    PainterRecord read;
    EXPECT_EQ(Read(read, file), kPainterRead);
    EXPECT_STREQ(read.name, source.name);
    EXPECT_EQ(Scalars(read), Scalars(source));
    EXPECT_EQ(read.Type, source.Type);
    EXPECT_EQ(read.opaqueE, source.opaqueE);
    EXPECT_TRUE(SamePen(read.fillPen, source.fillPen, true));
    EXPECT_TRUE(SamePen(read.outlinePen, source.outlinePen, true));
    EXPECT_EQ(PixelBytes(doc.Picture), PixelBytes(picture));
    EXPECT_EQ(doc.Picture.info.bmiHeader.biWidth, 100);
    EXPECT_EQ(PixelBytes(read.fillPenPicture), PixelBytes(source.fillPenPicture));
    EXPECT_EQ(PixelBytes(read.outlinePenPicture), PixelBytes(source.outlinePenPicture));
    EXPECT_STREQ(read.fillPenName, source.fillPenName);
    EXPECT_STREQ(read.outlinePenName, source.outlinePenName);
    EXPECT_EQ(read.extraPresent, 1);
    EXPECT_EQ(std::memcmp(read.extraTableA, source.extraTableA, 46), 0);
    EXPECT_EQ(std::memcmp(read.extraTableB, source.extraTableB, 46), 0);
    EXPECT_EQ(std::make_tuple(read.extraValueA, read.extraFlag, read.extraValueB),
              std::make_tuple(1018, uint8_t{1019 & 0xFF}, 1020));
    EXPECT_STREQ(read.memo, source.memo);
    EXPECT_EQ(doc.kind, kPainter);
    EXPECT_TRUE(Recorded().messages.empty());
}

TEST_F(PainterReader, ShortLayoutReadsOnlyTheHeaderFields)
{
    PainterFileLayout layout(source, picture);
    Bytes file = ShortPainterBytes(layout);
    ASSERT_EQ(file.size(), size_t{kShortPainterBytes});
    const std::vector<std::pair<int, uint32_t>> words = {
        {66, 1005}, {70, 1}, {115, 1002}, {135, 1009}, {139, 1100}, {143, 1107}, {211, Bits(source.fillPen.brightness)},
        {215, Bits(source.fillPen.hue)}, {223, 1125}, {231, 1129}, {235, 1200}, {331, Bits(1012.5f)},
        {347, 1016}, {351, 1017}, {355, 1001}};
    for (auto [offset, value] : words)
        EXPECT_EQ(LoadU32LE(&file[offset]), value) << "offset " << offset;

    PainterRecord read;
    std::strcpy(read.fillPenName, "前の筆");
    EXPECT_EQ(Read(read, file, ReadPainterShort), kPainterRead);
    EXPECT_STREQ(read.name, source.name);
    EXPECT_EQ(Scalars(read), Scalars(source));
    EXPECT_TRUE(SamePen(read.fillPen, source.fillPen, false));
    EXPECT_TRUE(SamePen(read.outlinePen, source.outlinePen, false));
    EXPECT_EQ(read.fillPen.hybridShapes[0], -1);   // no hybrid fields in this layout
    EXPECT_STREQ(read.fillPenName, "前の筆");
    EXPECT_EQ(doc.kind, kNone);
    ExpectPreviousPicture();

    // On a file in the full layout the values after the flags come from five bytes earlier.
    Bytes full = PainterFileBytes(layout);
    PainterRecord other;
    EXPECT_EQ(Read(other, full, ReadPainterShort), kPainterRead);
    EXPECT_STREQ(other.name, source.name);
    EXPECT_EQ(other.isMaster, LoadI32LE(&full[115]));
    EXPECT_EQ(other.opaqueA, LoadI32LE(&full[355]));
}

// Magic, version and format word through both wrappers, with their boxes.
TEST_F(PainterReader, MagicVersionAndTheWrappersBoxes)
{
    const std::vector<RecordedMessage> none, version = {{kWindow, "このバージョンの絵師は使えません。(ToT)", "残念ながら･･･"}},
                                             notPainter = {{kWindow, "本当に絵師ファイルかな？", "失敗してしまいました。"}};
    struct Case {
        int position;    // byte changed (-1: none)
        uint8_t byte;
        int32_t versionWord;
        int length;      // -1: the whole file
        const std::vector<RecordedMessage>& messages;
    };
    const Case cases[] = {{10, 'a', 0, -1, none},      {10, 'f', 0, -1, none},      {11, 'Z', 0, -1, none},
                          {10, 'b', 0, -1, notPainter}, {0, 'E', 0, -1, notPainter}, {9, '1', 0, -1, notPainter},
                          {-1, 0, 1, -1, version},      {-1, 0, 0, 0, notPainter},
                          {-1, 0, 0, 70, notPainter}};   // ends before the format word (the full form)
    for (const Case& c : cases) {
        for (bool shortForm : {false, true}) {
            PainterFileLayout layout(source, picture);
            layout.version = c.versionWord;
            Bytes file = shortForm ? ShortPainterBytes(layout) : PainterFileBytes(layout);
            if (c.position >= 0)
                file[c.position] = c.byte;
            if (c.length >= 0)
                file.resize(c.length);
            ClearRecordedCalls();
            doc.kind = kNone;
            PainterRecord read;
            std::strcpy(read.name, "前");
            // Past the version word the short form refuses nothing: it is read for the name.
            const auto& messages = shortForm && c.length >= 16 ? none : c.messages;
            bool ok = messages.empty();
            const std::string path = Put(file);
            EXPECT_EQ(shortForm ? LoadPainterFileShort(ui, path.c_str(), read)
                                : LoadPainterFile(ui, path.c_str(), doc, read),
                      ok ? kPainterLoaded : kPainterLoadFailed) << c.position << shortForm;
            EXPECT_EQ(Recorded().messages, messages) << c.position << shortForm;
            // A failure leaves what was read before it: the name of a file cut after it.
            EXPECT_STREQ(read.name, ok || c.length >= 66 ? source.name : "前");
            EXPECT_EQ(doc.kind, ok && !shortForm ? kPainter : kNone);
        }
    }
    ClearRecordedCalls();
    PainterRecord read;
    EXPECT_EQ(LoadPainterFile(ui, dir.Path("missing.esi").c_str(), doc, read), kPainterLoadFailed);
    EXPECT_EQ(LoadPainterFileShort(ui, dir.Path("missing.esi").c_str(), read), kPainterLoadFailed);
    EXPECT_TRUE(Recorded().messages.empty());
}

TEST_F(PainterReader, FormatWordTwoFailsAfterTheScalars)
{
    PainterFileLayout layout(source, picture);
    layout.pictureFormat = 2;
    PainterRecord read;
    std::strcpy(read.fillPenName, "前の筆");
    EXPECT_EQ(LoadPainterFile(ui, Put(PainterFileBytes(layout)).c_str(), doc, read), kPainterLoadFailed);
    const std::vector<RecordedMessage> expected = {{kWindow, "本当に絵師ファイルかな？", "失敗してしまいました。"}};
    EXPECT_EQ(Recorded().messages, expected);
    EXPECT_EQ(Scalars(read), Scalars(source));   // already overwritten
    EXPECT_STREQ(read.fillPenName, "前の筆");      // nothing after the header was read
    EXPECT_EQ(doc.kind, kNone);
    ExpectPreviousPicture();
}

TEST_F(PainterReader, SectionsNotFlaggedTakeTheirDefaults)
{
    for (uint8_t flag : {uint8_t{0}, uint8_t{2}}) {   // only 1 counts as set
        PainterRecord read;
        read.fillPenPicture.ResizeAndFill(kPenPictureSize, kPenPictureSize, 0x11);
        std::strcpy(read.fillPenName, "前の筆");
        std::strcpy(read.memo, "前のメモ");
        read.extraTableA[3] = 7;
        read.extraValueB = 9;
        source.extraPresent = flag;
        PainterFileLayout layout(source, picture);
        layout.pictureMode = kPackedModeRaw;
        layout.penPicturesFlag = flag;
        layout.memoFlag = flag;
        Bytes file = PainterFileBytes(layout);
        EXPECT_EQ(file.size(), size_t{564 + 8 + 30000});
        EXPECT_EQ(Read(read, file), kPainterRead);
        EXPECT_STREQ(read.fillPenName, "---");
        EXPECT_STREQ(read.outlinePenName, "---");
        EXPECT_EQ(read.fillPenPicture.pixels.data[7599], 0x11);   // the previous pens stay
        EXPECT_EQ(read.outlinePenPicture.pixels.data[0], 0xFF);
        EXPECT_EQ(read.extraPresent, 0);
        EXPECT_EQ(read.extraTableA[3], 0xFF);
        EXPECT_EQ(read.extraTableB[45], 0xFF);
        EXPECT_EQ(std::make_tuple(read.extraValueA, read.extraFlag, read.extraValueB),
                  std::make_tuple(1, uint8_t{1}, 1));
        EXPECT_EQ(Bytes(read.memo, read.memo + kMemoSize), Bytes(kMemoSize, 0));
    }
}

TEST_F(PainterReader, PackedPicturesRoundTrip)
{
    struct Case {
        int size;
        int32_t mode;
        int32_t count;
    };
    for (Case c : {Case{100, kPackedModeRaw, 30000}, Case{100, kPackedModeRuns, 30000},
                   Case{50, kPackedModeRaw, 7600}, Case{50, kPackedModeRuns, 7600}}) {
        RasterImage in, out;
        Patterned(in, c.size, 0x21);
        in.pixels.data[in.pixels.length - 1] = 0x99;
        Bytes section = PackedPictureBytes(in, c.mode);
        section.push_back(0xEE);   // what follows must not be taken
        ASSERT_EQ(LoadI32LE(&section[4]), c.count);
        FilePtr f = Open(section);
        ByteSource reader(f.get());
        EXPECT_EQ(ReadPackedPicture(reader, c.size, c.size, out), kPackedRead);
        EXPECT_EQ(std::ftell(f.get()), long(section.size() - 1)) << c.size << c.mode;
        ASSERT_EQ(out.width, c.size);
        EXPECT_EQ(out.info.bmiHeader.biSizeImage, uint32_t(c.count));
        Bytes expected = PixelBytes(in);
        if (c.mode == kPackedModeRuns && c.count % 3 != 0)
            expected.back() = 0;   // planes of 2533 bytes: position 7599 has no plane byte
        EXPECT_EQ(PixelBytes(out), expected) << c.size << c.mode;
    }
}

TEST_F(PainterReader, RunEncodings)
{
    const uint8_t V = 0x5A;
    struct Case {
        Bytes stream;
        int64_t capacity, count, produced, stored;
        long consumed;
    };
    const Case cases[] = {
        {{V, 0x00, 0x05}, 300, 261, 261, 261, 3},
        {{V, 0x01}, 300, 1, 1, 1, 2},
        {{V, 0x00, 0x00, 0x01}, 600, 513, 513, 513, 4},
        {{V, 0x0A, 0x11, 0x01}, 300, 4, 4, 4, 2},          // a run beyond the count is cut
        {{V, 0x00, 0x05}, 10, 261, 261, 10, 3},             // only the capacity is stored
        // The file ends in the length: B is taken as -1 (256 x zeros - 1
        // copies), bounded by the plane and the capacity, and the plane ends.
        {{V, 0x05, V, 0x00, 0x00}, 600, 1000, 516, 516, 5},
        {{V, 0x00}, 300, 1000, 255, 255, 2},
        {{V, 0x00, 0x00}, 400, 300, 300, 300, 3},
        {{V, 0x00, 0x00}, 10, 1000, 511, 10, 3},
        {{V}, 300, 1000, 0, 0, 1},                          // no zeros: -1 copies, none
        {{}, 300, 5, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Bytes plane(c.capacity + 1, 0xC3);   // one guard byte
        FilePtr f = Open(c.stream);
        ByteSource in(f.get());
        EXPECT_EQ(DecodeRunPlane(in, c.count, plane.data(), c.capacity), c.produced) << c.count;
        EXPECT_EQ(std::ftell(f.get()), c.consumed) << c.count;
        Bytes expected(c.capacity + 1, 0xC3);
        std::fill(expected.begin(), expected.begin() + c.stored, V);
        EXPECT_EQ(plane, expected) << c.count;
    }

    // The writer splits lengths that are multiples of 256 into two runs.
    Bytes runs;
    AppendRuns(runs, V, 256);
    AppendRuns(runs, 0x01, 512);
    EXPECT_EQ(runs, (Bytes{V, 0xFF, V, 0x01, 0x01, 0x00, 0xFF, 0x01, 0x01}));
}

// Counts and runs that do not fit: nothing outside the picture is written, and
// the file is left where the section ends so that the next section is found.
TEST_F(PainterReader, HostileSectionsStayInsideThePicture)
{
    const Bytes next = {'N', 'E', 'X', 'T'};
    auto withNext = [&](Bytes b) {
        b.insert(b.end(), next.begin(), next.end());
        return b;
    };
    // A 100 x 100 buffer whose first `planeBytes` positions of each plane hold p0, p1, p2.
    auto planes = [](uint8_t p0, uint8_t p1, uint8_t p2, int planeBytes) {
        Bytes b(30000, 0);
        for (int k = 0; k < 3 * planeBytes; ++k)
            b[k] = k % 3 == 0 ? p0 : k % 3 == 1 ? p1 : p2;
        return b;
    };
    Bytes raw, huge, runs, cut, negative, badMode;
    AppendPackedHead(raw, kPackedModeRaw, 30010);
    raw.insert(raw.end(), 30010, 0x44);
    AppendPackedHead(huge, kPackedModeRaw, INT32_MAX);
    huge.insert(huge.end(), {1, 2, 3});
    AppendPackedHead(runs, kPackedModeRuns, INT32_MAX);
    runs.insert(runs.end(), {0x33, 0x00, 0x00, 0x00, 0x01});   // 769 copies, then the file ends
    AppendPackedHead(cut, kPackedModeRuns, 30000);
    AppendRuns(cut, 0x66, 20000);   // plane 0 is cut at 10000; planes 1 and 2 follow right after
    AppendRuns(cut, 0x77, 10000);
    AppendRuns(cut, 0x88, 10000);
    AppendPackedHead(negative, kPackedModeRuns, -5);
    AppendPackedHead(badMode, 7, 30000);
    Bytes hugeExpected(30000, 0xFF);
    std::copy_n(huge.end() - 3, 3, hugeExpected.begin());

    struct Case {
        const char* what;
        Bytes section;
        int result;
        Bytes expected;
        bool nextFound;
    };
    const Case cases[] = {
        {"raw count beyond the buffer", withNext(raw), kPackedRead, Bytes(30000, 0x44), true},
        {"raw count beyond the file", huge, kPackedRead, hugeExpected, false},
        {"runs beyond the buffer and the file", runs, kPackedRead, planes(0x33, 0, 0, 769), false},
        {"run beyond its plane", withNext(cut), kPackedRead, planes(0x66, 0x77, 0x88, 10000), true},
        {"negative count", withNext(negative), kPackedRead, Bytes(30000, 0), true},
        {"unknown mode", withNext(badMode), kPackedBadMode, Bytes(30000, 0), true},
    };
    for (const Case& c : cases) {
        RasterImage out;
        FilePtr f = Open(c.section);
        ByteSource in(f.get());
        EXPECT_EQ(ReadPackedPicture(in, 100, 100, out), c.result) << c.what;
        EXPECT_EQ(PixelBytes(out), c.expected) << c.what;
        Bytes after(4, 0);
        EXPECT_EQ(in.Bytes(after.data(), 4) && after == next, c.nextFound) << c.what;
    }
}

TEST_F(PainterReader, TruncatedFilesKeepWhatIsMissing)
{
    PainterFileLayout layout(source, picture);
    layout.pictureMode = kPackedModeRaw;
    layout.penPictureMode = kPackedModeRaw;
    const Bytes full = PainterFileBytes(layout);
    auto readCut = [&](PainterRecord& read, size_t n) {
        std::strcpy(read.fillPenName, "前の筆");
        std::strcpy(read.memo, "前のメモ");
        return Read(read, Cut(full, n));
    };

    {   // inside the outline pen: its auxInts[0] (offset 296) is read, auxInts[1] is not
        PainterRecord read;
        EXPECT_EQ(readCut(read, 300), kPainterRead);
        EXPECT_TRUE(SamePen(read.fillPen, source.fillPen, false));
        EXPECT_EQ(read.outlinePen.auxInts[0], source.outlinePen.auxInts[0]);
        EXPECT_EQ(read.outlinePen.auxInts[1], 0);
        EXPECT_EQ(read.PL, 50);
        EXPECT_EQ(read.fillPen.hybridShapes[0], -1);
        EXPECT_EQ(PixelBytes(doc.Picture), Bytes(30000, 0));   // its section is missing altogether
        EXPECT_STREQ(read.fillPenName, "前の筆");
        EXPECT_STREQ(read.memo, "前のメモ");
        EXPECT_EQ(doc.kind, kPainter);
    }
    {   // inside the raw painter picture: the bytes past the end become 0xFF
        PainterRecord read;
        EXPECT_EQ(readCut(read, 564 + 8 + 1000), kPainterRead);
        Bytes expected = PixelBytes(picture);
        std::fill(expected.begin() + 1000, expected.end(), 0xFF);
        EXPECT_EQ(PixelBytes(doc.Picture), expected);
    }
}

TEST_F(PainterReader, TextsStayTerminatedInTheirBuffers)
{
    std::memset(source.name, 'N', 60);
    std::memset(source.fillPenName, 'P', sizeof source.fillPenName);
    std::memset(source.memo, 'M', sizeof source.memo);
    PainterRecord read;
    std::memset(read.name, 'x', 200);   // a longer earlier name
    EXPECT_EQ(Read(read, PainterFileBytes(PainterFileLayout(source, picture))), kPainterRead);
    EXPECT_EQ(std::string(read.name), std::string(50, 'N'));
    EXPECT_EQ(std::string(read.fillPenName), std::string(255, 'P'));
    EXPECT_EQ(std::string(read.memo), std::string(599, 'M'));
    EXPECT_STREQ(read.outlinePenName, source.outlinePenName);
}

TEST_F(PainterReader, JpegPictureThenTheFollowingSections)
{
    RasterImage photo;
    Patterned(photo, 64, 0x80);
    PainterFileLayout layout(source, photo);
    layout.pictureFormat = kPainterPictureJpeg;
    layout.penPictureMode = kPackedModeRaw;
    Bytes file = PainterFileBytes(layout);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file[564], 0xFF);   // start-of-image marker
    EXPECT_EQ(file[565], 0xD8);

    PainterRecord read;
    EXPECT_EQ(LoadPainterFile(ui, Put(file).c_str(), doc, read), kPainterLoaded);
    EXPECT_TRUE(Recorded().messages.empty());
    EXPECT_EQ(doc.Picture.width, 64);
    EXPECT_EQ(doc.Picture.height, 64);
    EXPECT_NEAR(doc.Picture.pixels.data[0], 0x80, 8);
    EXPECT_EQ(PixelBytes(read.fillPenPicture), PixelBytes(source.fillPenPicture));
    EXPECT_STREQ(read.outlinePenName, source.outlinePenName);
    EXPECT_EQ(read.extraValueB, source.extraValueB);
    EXPECT_STREQ(read.memo, source.memo);
    EXPECT_EQ(doc.kind, kPainter);
}

TEST_F(PainterReader, FailedJpegPictureIsReportedAndReadingGoesOn)
{
    PainterFileLayout layout(source, picture);
    layout.pictureFormat = kPainterPictureJpeg;
    layout.penPicturesFlag = 0;
    layout.memoFlag = 0;
    Bytes file = PainterHeaderBytes(layout);
    file.insert(file.end(), 200, 0x42);   // no JPEG data
    PainterRecord read;
    EXPECT_EQ(LoadPainterFile(ui, Put(file).c_str(), doc, read), kPainterLoaded);
    std::vector<RecordedMessage> expected = {
        {nullptr, "JPEGファイル読み込みに失敗しました。ReadPainter", "失敗"}};   // a box without an owner
    EXPECT_EQ(Recorded().messages, expected);
    ExpectPreviousPicture();
    EXPECT_STREQ(read.name, source.name);
    EXPECT_EQ(doc.kind, kPainter);
}
