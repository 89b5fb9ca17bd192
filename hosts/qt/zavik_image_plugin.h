// Qt 6 image-format plug-in for painter (.esi), canvas (.cnv) and item
// (.itm) files over libzavik: QImageReader (and so any Qt program that
// opens images through it) gets the picture zavik view shows at 100 %, or
// the library's thumbnail for a smaller scaled size.
#pragma once

#include <QImageIOHandler>
#include <QImageIOPlugin>

struct zavik_file;

class ZavikImageHandler final : public QImageIOHandler {
public:
    ZavikImageHandler() = default;
    ~ZavikImageHandler() override;
    ZavikImageHandler(const ZavikImageHandler&) = delete;
    ZavikImageHandler& operator=(const ZavikImageHandler&) = delete;

    bool canRead() const override;
    bool read(QImage* image) override;
    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant& value) override;
    bool supportsOption(ImageOption option) const override;

    // By content: the magic text of the first 11 bytes, without reading.
    static bool canRead(QIODevice* device);

private:
    // Reads the device whole and opens it, once; false when it failed.
    bool open() const;

    mutable zavik_file* file_ = nullptr;
    mutable bool tried_ = false;
    QSize scaledSize_;
};

class ZavikImagePlugin final : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "zavik.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;
};
