// The Qt 6 plug-in through QImageReader, with QT_PLUGIN_PATH at the build:
// the formats listed, the samples read with the pixels `zavik render`
// writes at 100 % (read back by Qt's own BMP reader), ScaledSize as the
// library's thumbnail, the texts, and bytes it must refuse.
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString Sample(const char* name) { return QStringLiteral(ZAVIK_SAMPLES_DIR "/") + QLatin1String(name); }

// What `zavik ARGUMENTS... FILE OUT` writes, as an RGB32 image.
QImage Tool(QStringList arguments, const char* sample, const char* out)
{
    static QTemporaryDir dir;
    arguments << Sample(sample) << dir.filePath(QLatin1String(out));
    QProcess::execute(QStringLiteral(ZAVIK_TOOL), arguments);
    return QImage(dir.filePath(QLatin1String(out))).convertToFormat(QImage::Format_RGB32);
}

QImage ReadBytes(const QByteArray& bytes, const char* format = "")
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer, format).read();
}

TEST(QtPlugin, ReadsTheSamplesAsTheViewerShowsThem)
{
    for (const char* f : {"esi", "cnv", "itm"})
        EXPECT_TRUE(QImageReader::supportedImageFormats().contains(f)) << f;
    for (const char* t : {"application/x-zavik-painter", "application/x-zavik-canvas", "application/x-zavik-item"})
        EXPECT_TRUE(QImageReader::supportedMimeTypes().contains(t)) << t;
    for (const char* name : {"hanako.esi", "sunset.cnv", "kirakira.itm"}) {
        SCOPED_TRACE(name);
        const QImage view = Tool({QStringLiteral("render")}, name, "view.bmp");
        QImageReader reader(Sample(name));
        EXPECT_EQ(reader.size(), view.size());
        const QImage image = reader.read();
        EXPECT_EQ(reader.format(), QByteArray(name).right(3));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_EQ(image, view);
    }
    // By content, from a buffer, whatever the name would have said.
    QFile canvas(Sample("sunset.cnv"));
    ASSERT_TRUE(canvas.open(QIODevice::ReadOnly));
    EXPECT_EQ(ReadBytes(canvas.readAll()).size(), QSize(320, 240));
}

TEST(QtPlugin, ScaledSizeIsTheLibrarysThumbnail)
{
    QImageReader reader(Sample("sunset.cnv"));
    reader.setScaledSize(QSize(100, 75));
    EXPECT_EQ(reader.read(), Tool({QStringLiteral("thumbnail"), QStringLiteral("-s"), QStringLiteral("100")},
                                  "sunset.cnv", "thumbnail.png"));
    // A size of another shape, or larger, is met exactly.
    for (const QSize size : {QSize(50, 10), QSize(400, 400)}) {
        QImageReader other(Sample("sunset.cnv"));
        other.setScaledSize(size);
        EXPECT_EQ(other.read().size(), size);
    }
}

TEST(QtPlugin, KeepsThePaintersAndItemsTexts)
{
    const QImage painter = QImageReader(Sample("hanako.esi")).read();
    EXPECT_EQ(painter.text(QStringLiteral("Painter")), QString::fromUtf8(u8"花子"));
    EXPECT_TRUE(painter.text(QStringLiteral("Memo")).startsWith(QString::fromUtf8(u8"花と夕焼けが好きな絵師です。\n")));
    const QImage item = QImageReader(Sample("kirakira.itm")).read();
    EXPECT_EQ(item.text(QStringLiteral("Item")), QString::fromUtf8(u8"きらきら筆"));
    EXPECT_TRUE(item.text(QStringLiteral("Painter")).isEmpty());
}

TEST(QtPlugin, RefusesCutAndHostileBytes)
{
    QFile canvas(Sample("sunset.cnv"));
    ASSERT_TRUE(canvas.open(QIODevice::ReadOnly));
    const QByteArray whole = canvas.readAll();
    for (const QByteArray& bytes : {whole.left(11), whole.left(60), QByteArray("esi file 0a") + QByteArray(300, '\xff')})
        EXPECT_TRUE(ReadBytes(bytes, "cnv").isNull()) << bytes.size();
    // Eleven bytes that are no magic text are not claimed.
    QBuffer text;
    text.setData("cnv file, but not one");
    text.open(QIODevice::ReadOnly);
    EXPECT_FALSE(QImageReader(&text).canRead());
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
