// The library's limits per open and its opens from memory: a picture over a
// lowered limit is refused as the viewer refuses one over its own, from a
// path and from memory alike, and a canvas in memory takes the painter file
// it names as missing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zavik/zavik.h>

namespace fs = std::filesystem;

namespace {

const std::string kSamples = ZAVIK_SAMPLES_DIR;

std::vector<char> Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Opened {
    zavik_status status;
    std::vector<int> messages;
};

Opened Open(const std::string& path, bool fromMemory, const zavik_limits* limits)
{
    zavik_file* file = nullptr;
    const std::vector<char> bytes = Bytes(path);
    Opened o;
    o.status = fromMemory ? zavik_open_memory_limited(bytes.data(), bytes.size(), path.c_str(), limits, &file)
                          : zavik_open_path_limited(path.c_str(), limits, &file);
    for (size_t i = 0; i < zavik_message_count(file); ++i)
        o.messages.push_back(zavik_message_id(file, i));
    zavik_close(file);
    return o;
}

// The messages of an open that fails the same way without any limit.
std::vector<int> MessagesOfBytes(const char* bytes, size_t size, const char* name)
{
    zavik_file* file = nullptr;
    zavik_open_memory(bytes, size, name, &file);
    std::vector<int> ids;
    for (size_t i = 0; i < zavik_message_count(file); ++i)
        ids.push_back(zavik_message_id(file, i));
    zavik_close(file);
    return ids;
}

TEST(LibraryLimits, APictureOverALoweredLimitIsRefusedAsTheViewerRefusesOne)
{
    const std::string jpeg = kSamples + "/landscape.jpg";   // 640 x 480: 921,600 bytes as held
    const std::string canvas = kSamples + "/sunset.cnv";
    const std::vector<int> undecodableJpeg = MessagesOfBytes("not a JPEG", 10, "x.jpg");
    zavik_limits defaults;
    zavik_default_limits(&defaults);
    EXPECT_EQ(defaults.max_picture_bytes, size_t{ZAVIK_MAX_PICTURE_BYTES});
    EXPECT_EQ(defaults.max_memory_bytes, size_t{ZAVIK_MAX_OPEN_MEMORY_BYTES});

    struct Case {
        const char* what;
        std::string path;
        size_t pictureBytes, memoryBytes;
        zavik_status status;
    };
    const Case cases[] = {
        {"the viewer's limits", jpeg, 0, 0, ZAVIK_OK},
        {"picture exactly at the limit", jpeg, 921600, 0, ZAVIK_OK},
        {"picture one byte over", jpeg, 921599, 0, ZAVIK_ERROR_NO_PICTURE},
        {"memory short of the picture", jpeg, 0, 921599, ZAVIK_ERROR_NO_PICTURE},
        {"canvas picture over", canvas, 1000, 0, ZAVIK_ERROR_NO_PICTURE},
        {"canvas memory short", canvas, 0, 1000, ZAVIK_ERROR_NO_PICTURE},
        {"picture above the viewer's", jpeg, size_t{ZAVIK_MAX_PICTURE_BYTES} + 1, 0, ZAVIK_ERROR_ARGUMENT},
        {"memory above the viewer's", jpeg, 0, size_t{ZAVIK_MAX_OPEN_MEMORY_BYTES} + 1, ZAVIK_ERROR_ARGUMENT},
    };
    for (const Case& c : cases)
        for (bool fromMemory : {false, true}) {
            zavik_limits limits = defaults;
            limits.max_picture_bytes = c.pictureBytes;
            limits.max_memory_bytes = c.memoryBytes;
            const Opened o = Open(c.path, fromMemory, &limits);
            EXPECT_EQ(o.status, c.status) << c.what << (fromMemory ? " (memory)" : "");
            if (c.status == ZAVIK_ERROR_NO_PICTURE && c.path == jpeg) {
                EXPECT_EQ(o.messages, undecodableJpeg) << c.what;
            }
            if (c.status == ZAVIK_ERROR_NO_PICTURE) {
                EXPECT_FALSE(o.messages.empty()) << c.what;
            }
        }
    // The limits hold for one open only.
    EXPECT_EQ(Open(jpeg, true, nullptr).status, ZAVIK_OK);
}

// Run where the canvas's painter, named relative to the current folder,
// exists: by its path the canvas finds it, from memory it does not look.
TEST(LibraryMemory, ACanvasInMemoryTakesItsPainterFileAsMissing)
{
    const fs::path before = fs::current_path();
    fs::current_path(kSamples);
    const std::vector<char> bytes = Bytes("sunset.cnv");
    zavik_file* byPath = nullptr;
    zavik_file* inMemory = nullptr;
    EXPECT_EQ(zavik_open_path("sunset.cnv", &byPath), ZAVIK_OK);
    EXPECT_EQ(zavik_open_memory(bytes.data(), bytes.size(), "sunset.cnv", &inMemory), ZAVIK_OK);
    fs::current_path(before);
    const std::string path = zavik_properties_json(byPath), memory = zavik_properties_json(inMemory);
    EXPECT_NE(path.find("\"painter\":\"\xE8\x8A\xB1\xE5\xAD\x90\""), std::string::npos) << path;   // 花子
    EXPECT_NE(memory.find("\"painter\":\"hanako.esi\""), std::string::npos) << memory;
    EXPECT_EQ(zavik_width(byPath), zavik_width(inMemory));
    zavik_close(byPath);
    zavik_close(inMemory);
}

// A name longer than a path is still the file's name: its extension makes
// the bytes a JPEG, and the properties show it whole.
TEST(LibraryMemory, ALongNameStillNamesTheFile)
{
    const std::vector<char> bytes = Bytes(kSamples + "/landscape.jpg");
    const std::string name = std::string(300, 'd') + "/" + std::string(300, 'n') + ".jpg";
    zavik_file* file = nullptr;
    EXPECT_EQ(zavik_open_memory(bytes.data(), bytes.size(), name.c_str(), &file), ZAVIK_OK);
    EXPECT_EQ(zavik_width(file), 640);
    int width = 0, height = 0;
    EXPECT_EQ(zavik_thumbnail_size(file, 64, &width, &height), ZAVIK_OK);
    EXPECT_EQ(width, 64);
    EXPECT_NE(std::string(zavik_properties_json(file)).find(name), std::string::npos);
    zavik_close(file);
}

}  // namespace
