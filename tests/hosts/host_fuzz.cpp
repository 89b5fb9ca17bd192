// The plug-ins' entry points as their hosts call them, over the corpora and
// variants of them made here (bytes changed, cut, repeated, spliced; the
// magic text kept so that the plug-ins take them), for a few seconds: the
// GdkPixbuf loader whole from a file, in pieces of random sizes and with a
// size asked for; the Qt plug-in through QImageReader, with and without a
// scaled size. Built under the sanitizers (native-asan), where any fault
// in them or in the library ends the run.
//
//     host_fuzz SECONDS FILE-OR-FOLDER...
// with GDK_PIXBUF_MODULE_FILE and QT_PLUGIN_PATH naming the build's.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
const char* const kMagics[] = {"esi file 0a", "esi file 0f", "cnv file 0a", "itm file 0f"};

Bytes ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool HasMagic(const Bytes& b)
{
    for (const char* m : kMagics)
        if (b.size() >= 11 && std::memcmp(b.data(), m, 11) == 0)
            return true;
    return false;
}

Bytes Mutate(const std::vector<Bytes>& corpus, std::mt19937& rng)
{
    auto pick = [&rng](size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; };
    Bytes b = corpus[pick(corpus.size())];
    if (!HasMagic(b)) {
        const char* m = kMagics[pick(4)];
        b.insert(b.begin(), m, m + 11);
    }
    const int steps = 1 + static_cast<int>(pick(4));
    for (int s = 0; s < steps && b.size() > 11; ++s) {
        const size_t at = 11 + pick(b.size() - 11);
        switch (pick(5)) {
        case 0: b[at] ^= static_cast<unsigned char>(1u << pick(8)); break;
        case 1: b[at] = static_cast<unsigned char>(std::vector<int>{0, 1, 0x7f, 0x80, 0xff}[pick(5)]); break;
        case 2: b.resize(at); break;
        case 3: b.insert(b.begin() + static_cast<long>(at), 1 + pick(64), b[at]); break;
        default: {
            const Bytes& other = corpus[pick(corpus.size())];
            const size_t from = pick(other.size());
            b.resize(at);
            b.insert(b.end(), other.begin() + static_cast<long>(from), other.end());
        }
        }
    }
    return b;
}

void SizeAsked(GdkPixbufLoader* loader, int width, int height, gpointer side)
{
    const int s = GPOINTER_TO_INT(side);
    gdk_pixbuf_loader_set_size(loader, width > 1 ? s : width, height > 1 ? s / 2 + 1 : height);
}

void ThroughGdkPixbuf(const Bytes& b, std::mt19937& rng, const std::string& scratch)
{
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    const int side = std::uniform_int_distribution<int>(-1, 300)(rng);
    if (side > 0)
        g_signal_connect(loader, "size-prepared", G_CALLBACK(SizeAsked), GINT_TO_POINTER(side));
    GError* error = nullptr;
    size_t at = 0;
    while (at < b.size() && !error) {
        const size_t n = std::min(b.size() - at, std::uniform_int_distribution<size_t>(1, 4096)(rng));
        gdk_pixbuf_loader_write(loader, b.data() + at, n, &error);
        at += n;
    }
    gdk_pixbuf_loader_close(loader, error ? nullptr : &error);
    g_clear_error(&error);
    g_object_unref(loader);

    // The module's load from a file.
    if (std::FILE* f = std::fopen(scratch.c_str(), "wb")) {
        if (!b.empty())
            std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
        if (GdkPixbuf* p = gdk_pixbuf_new_from_file(scratch.c_str(), &error))
            g_object_unref(p);
        g_clear_error(&error);
    }
}

void ThroughQt(const Bytes& b, std::mt19937& rng)
{
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const int side = std::uniform_int_distribution<int>(-1, 300)(rng);
    if (side > 0)
        reader.setScaledSize(QSize(side, side / 3 + 1));
    (void)reader.size();
    (void)reader.read();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The plug-in's and Qt's own warnings about each broken input.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    if (argc < 3) {
        std::fprintf(stderr, "usage: host_fuzz SECONDS FILE-OR-FOLDER...\n");
        return 2;
    }
    std::vector<Bytes> corpus;
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto& e : std::filesystem::recursive_directory_iterator(p))
                if (e.is_regular_file() && e.file_size() < (4 << 20))
                    corpus.push_back(ReadAll(e.path()));
        } else if (std::filesystem::is_regular_file(p)) {
            corpus.push_back(ReadAll(p));
        }
    }
    if (corpus.empty()) {
        std::fprintf(stderr, "host_fuzz: no input\n");
        return 2;
    }
    const std::string scratch = (std::filesystem::temp_directory_path() /
                                 ("zavik-host-fuzz-" + std::to_string(QCoreApplication::applicationPid()))).string();
    std::mt19937 rng(20261209);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[1]));
    size_t runs = 0;
    // Every input of the three kinds as it is first (the others, which
    // the plug-ins never see, serve as material), then variants until the
    // time is up.
    std::vector<const Bytes*> ours;
    for (const Bytes& b : corpus)
        if (HasMagic(b))
            ours.push_back(&b);
    for (size_t i = 0; i < ours.size() || std::chrono::steady_clock::now() < end; ++i, ++runs) {
        const Bytes b = i < ours.size() ? *ours[i] : Mutate(corpus, rng);
        ThroughGdkPixbuf(b, rng, scratch);
        ThroughQt(b, rng);
    }
    std::remove(scratch.c_str());
    std::printf("host_fuzz: %zu inputs, %zu runs through both plug-ins\n", corpus.size(), runs);
    return 0;
}
