// The Qt 6 plug-in as Qt programs meet it, through QImageReader with
// QT_PLUGIN_PATH at the build: the formats listed, every sample read with
// the pixels `zavik render` writes at 100 %, the Size and ScaledSize
// options (the library's thumbnail), the texts, and files it must refuse.
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

// What the zavik tool writes for a file (its command and options), read
// back by Qt's own BMP or PNG reader.
QImage Tool(const QStringList& arguments, const QString& input, const char* extension)
{
    static QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.") + QLatin1String(extension));
    QFile::remove(out);
    QStringList all = arguments;
    all << input << out;
    QProcess::execute(QStringLiteral(ZAVIK_TOOL), all);
    return QImage(out);
}

QImage Read(QImageReader& reader)
{
    QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << reader.fileName().toStdString() << ": " << reader.errorString().toStdString();
    return image;
}

TEST(QtPlugin, ListsTheThreeFormats)
{
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const char* f : {"esi", "cnv", "itm"})
        EXPECT_TRUE(formats.contains(f)) << f;
    const QList<QByteArray> types = QImageReader::supportedMimeTypes();
    for (const char* t : {"application/x-zavik-painter", "application/x-zavik-canvas", "application/x-zavik-item"})
        EXPECT_TRUE(types.contains(t)) << t;
}

TEST(QtPlugin, ReadsEverySampleAsTheViewerShowsIt)
{
    for (const char* name : {"hanako.esi", "sunset.cnv", "kirakira.itm"}) {
        SCOPED_TRACE(name);
        QImageReader reader(Sample(name));
        const QImage view = Tool({QStringLiteral("render")}, Sample(name), "bmp");
        ASSERT_FALSE(view.isNull());
        EXPECT_EQ(reader.size(), view.size());
        EXPECT_EQ(reader.imageFormat(), QImage::Format_RGB32);
        const QImage image = Read(reader);
        EXPECT_EQ(reader.format(), QByteArray(name).right(3));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_EQ(image, view.convertToFormat(QImage::Format_RGB32));
    }
}

TEST(QtPlugin, ScaledSizeIsTheLibrarysThumbnail)
{
    const QImage thumbnail = Tool({QStringLiteral("thumbnail"), QStringLiteral("-s"), QStringLiteral("100")},
                                  Sample("sunset.cnv"), "png");
    ASSERT_EQ(thumbnail.size(), QSize(100, 75));
    QImageReader reader(Sample("sunset.cnv"));
    reader.setScaledSize(QSize(100, 75));
    EXPECT_EQ(Read(reader), thumbnail.convertToFormat(QImage::Format_RGB32));

    // A size of another shape is met exactly, from the thumbnail.
    QImageReader squeezed(Sample("sunset.cnv"));
    squeezed.setScaledSize(QSize(50, 10));
    EXPECT_EQ(Read(squeezed).size(), QSize(50, 10));
}

TEST(QtPlugin, KeepsThePaintersAndItemsTexts)
{
    QImageReader painter(Sample("hanako.esi"));
    const QImage p = Read(painter);
    EXPECT_EQ(p.text(QStringLiteral("Painter")), QString::fromUtf8(u8"花子"));
    EXPECT_TRUE(p.text(QStringLiteral("Memo")).startsWith(QString::fromUtf8(u8"花と夕焼けが好きな絵師です。\n")));
    QImageReader item(Sample("kirakira.itm"));
    const QImage i = Read(item);
    EXPECT_EQ(i.text(QStringLiteral("Item")), QString::fromUtf8(u8"きらきら筆"));
    EXPECT_TRUE(i.text(QStringLiteral("Painter")).isEmpty());
}

TEST(QtPlugin, RecognisesByContent)
{
    QFile canvas(Sample("sunset.cnv"));
    ASSERT_TRUE(canvas.open(QIODevice::ReadOnly));
    QBuffer buffer;
    buffer.setData(canvas.readAll());
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    EXPECT_EQ(reader.format(), QByteArray("cnv"));
    EXPECT_EQ(Read(reader).size(), QSize(320, 240));
}

TEST(QtPlugin, RefusesCutAndForeignFiles)
{
    QFile canvas(Sample("sunset.cnv"));
    ASSERT_TRUE(canvas.open(QIODevice::ReadOnly));
    const QByteArray whole = canvas.readAll();
    for (const QByteArray& bytes : {whole.left(11), whole.left(60), QByteArray("esi file 0a") + QByteArray(300, '\xff')}) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "cnv");
        EXPECT_TRUE(reader.read().isNull()) << bytes.size();
    }
    // Eleven bytes that are not a magic text are not claimed.
    QBuffer text;
    text.setData("cnv file, but not one");
    text.open(QIODevice::ReadOnly);
    QImageReader reader(&text);
    EXPECT_FALSE(reader.canRead());
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
