// Both plug-ins' entry points as their hosts call them, for a few seconds
// under the sanitizers (native-asan): every input of the three kinds as it
// is, then variants of all inputs (bytes changed, cut, spliced; a magic
// text kept or put in front, so that the plug-ins take them). GdkPixbuf
// loads each whole from a file and in pieces of random sizes with a size
// asked for; QImageReader with and without a scaled size.
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
std::mt19937 rng(20261209);

size_t Below(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; }

bool HasMagic(const Bytes& b)
{
    return std::any_of(std::begin(kMagics), std::end(kMagics),
                       [&b](const char* m) { return b.size() >= 11 && std::memcmp(b.data(), m, 11) == 0; });
}

Bytes Variant(const std::vector<Bytes>& corpus)
{
    Bytes b = corpus[Below(corpus.size())];
    if (!HasMagic(b)) {
        const char* magic = kMagics[Below(4)];
        b.insert(b.begin(), magic, magic + 11);
    }
    for (size_t step = 0, steps = 1 + Below(4); step < steps && b.size() > 11; ++step) {
        const size_t at = 11 + Below(b.size() - 11);
        const Bytes& other = corpus[Below(corpus.size())];
        switch (Below(4)) {
        case 0: b[at] ^= static_cast<unsigned char>(1u << Below(8)); break;
        case 1: b[at] = static_cast<unsigned char>(0xff * Below(2)); break;
        case 2: b.resize(at); break;
        default:
            b.resize(at);
            b.insert(b.end(), other.begin() + static_cast<long>(Below(other.size())), other.end());
        }
    }
    return b;
}

void AskSize(GdkPixbufLoader* loader, int, int, gpointer side)
{
    gdk_pixbuf_loader_set_size(loader, GPOINTER_TO_INT(side), GPOINTER_TO_INT(side) / 2 + 1);
}

void Load(const Bytes& b, const std::string& scratch)
{
    GError* error = nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    if (const int side = static_cast<int>(Below(300)))
        g_signal_connect(loader, "size-prepared", G_CALLBACK(AskSize), GINT_TO_POINTER(side));
    for (size_t at = 0, n; at < b.size() && !error; at += n) {
        n = std::min(b.size() - at, 1 + Below(4096));
        gdk_pixbuf_loader_write(loader, b.data() + at, n, &error);
    }
    gdk_pixbuf_loader_close(loader, error ? nullptr : &error);
    g_clear_error(&error);
    g_object_unref(loader);

    std::ofstream file(scratch, std::ios::binary | std::ios::trunc);
    if (!b.empty())
        file.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    file.close();
    if (GdkPixbuf* p = gdk_pixbuf_new_from_file(scratch.c_str(), &error))
        g_object_unref(p);
    g_clear_error(&error);

    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (const int side = static_cast<int>(Below(300)))
        reader.setScaledSize(QSize(side, side / 3 + 1));
    (void)reader.size();
    (void)reader.read();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});  // one per bad input
    std::vector<Bytes> corpus;
    for (int i = 2; i < argc; ++i) {
        std::error_code ignored;
        for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i], ignored))
            if (e.is_regular_file() && e.file_size() < (4 << 20)) {
                std::ifstream in(e.path(), std::ios::binary);
                corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
    }
    if (argc < 3 || corpus.empty()) {
        std::fprintf(stderr, "usage: host_fuzz SECONDS FOLDER...\n");
        return 2;
    }
    const std::string scratch =
        (std::filesystem::temp_directory_path() / ("zavik-host-fuzz-" + std::to_string(app.applicationPid()))).string();
    size_t runs = 0;
    for (const Bytes& b : corpus)
        if (HasMagic(b))
            Load(b, scratch), ++runs;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[1]));
    while (std::chrono::steady_clock::now() < end)
        Load(Variant(corpus), scratch), ++runs;
    std::remove(scratch.c_str());
    std::printf("host_fuzz: %zu inputs, %zu runs\n", corpus.size(), runs);
    return 0;
}
