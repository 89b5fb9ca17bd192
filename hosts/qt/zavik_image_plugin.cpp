#include "zavik_image_plugin.h"

#include <QIODevice>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>
#include <QtGlobal>

#include <cstdlib>

#include "hosts/common/zavik_host.h"

namespace {

const char* const kFormats[] = {"esi", "cnv", "itm"};
const int kWaitMilliseconds = 30000;

bool IsOurFormat(const QByteArray& format)
{
    for (const char* f : kFormats)
        if (format == f)
            return true;
    return false;
}

// The file kinds' texts as QImage keeps them: the painter a painter file or
// a canvas names, a painter's memo, an item's name.
void SetTexts(QImage& image, const char* json)
{
    const QJsonObject properties = QJsonDocument::fromJson(QByteArray(json)).object();
    const QString kind = properties.value(QLatin1String("kind")).toString();
    const auto put = [&image](const char* key, QString text) {
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        if (!text.isEmpty())
            image.setText(QLatin1String(key), text);
    };
    if (kind == QLatin1String("painter") || kind == QLatin1String("canvas"))
        put("Painter", properties.value(QLatin1String("painter")).toString());
    put("Memo", properties.value(QLatin1String("painterRecord")).toObject().value(QLatin1String("memo")).toString());
    put("Item", properties.value(QLatin1String("item")).toObject().value(QLatin1String("name")).toString());
}

}  // namespace

ZavikImageHandler::~ZavikImageHandler() { zavik_close(file_); }

bool ZavikImageHandler::canRead(QIODevice* device)
{
    if (!device)
        return false;
    const QByteArray head = device->peek(ZAVIK_HOST_MAGIC_LENGTH);
    return zavik_host_has_magic(reinterpret_cast<const unsigned char*>(head.constData()),
                                static_cast<size_t>(head.size()));
}

bool ZavikImageHandler::canRead() const
{
    if (file_)
        return true;
    if (tried_ || !canRead(device()))
        return false;
    // The format is whichever kind the content is: a canvas named .esi is
    // still read as a canvas.
    setFormat(device()->peek(3));
    return true;
}

bool ZavikImageHandler::open() const
{
    if (file_ || tried_)
        return file_ != nullptr;
    tried_ = true;
    QIODevice* in = device();
    if (!in || !canRead(in))
        return false;
    // The library opens whole files: the device is read to its end, but no
    // further than any file the viewer opens.
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const qint64 n = in->read(chunk, sizeof chunk);
        if (n < 0)
            return false;
        // A stream that stops sending ends the file rather than the wait.
        if (n == 0 && (in->atEnd() || !in->waitForReadyRead(kWaitMilliseconds)))
            break;
        if (static_cast<size_t>(bytes.size()) + static_cast<size_t>(n) > ZAVIK_HOST_MAX_FILE_BYTES) {
            qWarning("zavik: the file is longer than any zavik view opens");
            return false;
        }
        bytes.append(chunk, static_cast<qsizetype>(n));
    }
    char* error = nullptr;
    if (zavik_host_open(bytes.constData(), static_cast<size_t>(bytes.size()), &file_, &error) != ZAVIK_OK) {
        // QImageReader says only that the image could not be read: the
        // viewer's own message goes to Qt's log.
        qWarning("zavik: %s", error ? error : "");
        std::free(error);
        return false;
    }
    return true;
}

bool ZavikImageHandler::read(QImage* image)
{
    if (!image || !open())
        return false;
    const int width = zavik_width(file_), height = zavik_height(file_);
    QSize wanted = scaledSize_.isValid() && !scaledSize_.isEmpty() ? scaledSize_ : QSize(width, height);
    zavik_host_picture picture;
    if (zavik_host_picture_get(file_, wanted.width(), wanted.height(), &picture) != ZAVIK_OK)
        return false;
    QImage result(picture.width, picture.height, picture.has_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull()) {
        zavik_host_picture_free(&picture);
        return false;
    }
    for (int y = 0; y < picture.height; ++y) {
        const unsigned char* in = picture.rgba + static_cast<size_t>(y) * picture.width * 4;
        QRgb* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < picture.width; ++x)
            out[x] = qRgba(in[4 * x], in[4 * x + 1], in[4 * x + 2], in[4 * x + 3]);
    }
    zavik_host_picture_free(&picture);
    // A scaled size is honoured exactly: the thumbnail is a rounding away
    // from it, or smaller than asked for when it would be enlarged.
    if (result.size() != wanted)
        result = result.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    SetTexts(result, zavik_properties_json(file_));
    *image = result;
    return true;
}

QVariant ZavikImageHandler::option(ImageOption option) const
{
    if (option == Size)
        return open() ? QSize(zavik_width(file_), zavik_height(file_)) : QVariant();
    if (option == ImageFormat)
        return open() ? (zavik_has_alpha(file_) ? QImage::Format_ARGB32 : QImage::Format_RGB32) : QVariant();
    if (option == ScaledSize)
        return scaledSize_;
    return QVariant();
}

void ZavikImageHandler::setOption(ImageOption option, const QVariant& value)
{
    if (option == ScaledSize)
        scaledSize_ = value.toSize();
}

bool ZavikImageHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ScaledSize || option == ImageFormat;
}

QImageIOPlugin::Capabilities ZavikImagePlugin::capabilities(QIODevice* device, const QByteArray& format) const
{
    if (IsOurFormat(format))
        return CanRead;
    if (!format.isEmpty())
        return {};
    return device && device->isReadable() && ZavikImageHandler::canRead(device) ? CanRead : Capabilities();
}

QImageIOHandler* ZavikImagePlugin::create(QIODevice* device, const QByteArray& format) const
{
    auto* handler = new ZavikImageHandler;
    handler->setDevice(device);
    handler->setFormat(format);
    return handler;
}
