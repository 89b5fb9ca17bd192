// zavik_thumbs.dll as Explorer uses it: created through its class object,
// initialised with a stream on the file, asked for a thumbnail of 256.
#include <windows.h>
#include <objidl.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>

#include <gtest/gtest.h>

#include <thread>

#include "../support/temp_files.h"
#include "hosts/windows/guids.h"
#include "hosts_test_support.h"

using namespace hosts_test;

namespace {

const IID kIThumbnailProvider = {0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};

struct Thumbnail {
    HRESULT result = E_FAIL;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    Pixels pixels; // RGBA, read back from the DIB
};

HMODULE ThumbsDll()
{
    static HMODULE dll = LoadHostDll("zavik_thumbs.dll", "ZAVIK_THUMBS_DLL");
    return dll;
}

IInitializeWithStream* NewProvider()
{
    IClassFactory* factory = nullptr;
    if (FAILED(GetClassObjectFrom(ThumbsDll(), CLSID_ZavikThumbnailProvider, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory))))
        return nullptr;
    IInitializeWithStream* provider = nullptr;
    factory->CreateInstance(nullptr, IID_IInitializeWithStream, reinterpret_cast<void**>(&provider));
    factory->Release();
    return provider;
}

// Initialises a provider with the stream and asks for the thumbnail.
Thumbnail ThumbnailOfStream(IStream* stream, UINT size)
{
    Thumbnail t;
    IInitializeWithStream* init = NewProvider();
    if (!init)
        return t;
    t.result = init->Initialize(stream, STGM_READ);
    IThumbnailProvider* provider = nullptr;
    if (SUCCEEDED(t.result))
        t.result = init->QueryInterface(kIThumbnailProvider, reinterpret_cast<void**>(&provider));
    init->Release();
    if (FAILED(t.result))
        return t;
    HBITMAP bitmap = nullptr;
    t.result = provider->GetThumbnail(size, &bitmap, &t.alpha);
    provider->Release();
    if (FAILED(t.result))
        return t;
    DIBSECTION dib = {};
    // A 32-bit DIB is what the shell takes; its rows are read in memory
    // order, so pixels equal to the reference prove it top-down.
    if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel != 32 || !dib.dsBm.bmBits) {
        DeleteObject(bitmap);
        t.result = E_UNEXPECTED;
        return t;
    }
    t.pixels.width = dib.dsBm.bmWidth;
    t.pixels.height = dib.dsBm.bmHeight;
    const unsigned char* bits = static_cast<const unsigned char*>(dib.dsBm.bmBits);
    t.pixels.rgba.assign(bits, bits + static_cast<size_t>(t.pixels.width) * t.pixels.height * 4);
    for (size_t i = 0; i < t.pixels.rgba.size(); i += 4)
        std::swap(t.pixels.rgba[i], t.pixels.rgba[i + 2]);
    DeleteObject(bitmap);
    return t;
}

Thumbnail ThumbnailOfFile(const std::string& path, UINT size)
{
    IStream* stream = nullptr;
    Thumbnail t;
    t.result = SHCreateStreamOnFileEx(Widen(path).c_str(), STGM_READ | STGM_SHARE_DENY_NONE, 0, FALSE, nullptr, &stream);
    if (FAILED(t.result))
        return t;
    t = ThumbnailOfStream(stream, size);
    stream->Release();
    return t;
}

// A stream that says it is a terabyte long and gives bytes without end:
// the provider must refuse it before reading, not try to hold it.
class HugeStream final : public IStream {
public:
    STDMETHODIMP QueryInterface(REFIID, void** out) override { *out = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Read(void* into, ULONG n, ULONG* got) override
    {
        bytesRead += n;
        memset(into, 'x', n);
        *got = n;
        return S_OK;
    }
    STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return S_OK; }
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Revert() override { return E_NOTIMPL; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Stat(STATSTG* stat, DWORD) override
    {
        *stat = STATSTG();
        stat->cbSize.QuadPart = 1ull << 40;
        return S_OK;
    }
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

    ULONGLONG bytesRead = 0;
};

class ThumbnailProviderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(ThumbsDll(), nullptr) << "zavik_thumbs.dll did not load";
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override { CoUninitialize(); }
    TempDir temp;
};

// Every file: the size `zavik thumbnail` gives (so at most 256 and the
// picture's aspect), the alpha type the picture calls for, the same pixels;
// a smaller size asked is kept to.
TEST_F(ThumbnailProviderTest, EveryFileAsTheCommandLineMakesIt)
{
    for (const std::string& path : InputFiles()) {
        SCOPED_TRACE(path);
        std::string expectedPath = temp.Path("expected.png");
        ASSERT_EQ(RunZavik({"thumbnail", "-s", "256", path, expectedPath}), 0u);
        Pixels expected;
        ASSERT_TRUE(ReadPicture(expectedPath, expected));
        DeleteFileA(expectedPath.c_str());

        Thumbnail t = ThumbnailOfFile(path, 256);
        ASSERT_EQ(t.result, S_OK);
        EXPECT_LE(std::max(t.pixels.width, t.pixels.height), 256);
        EXPECT_EQ(t.pixels.width, expected.width);
        EXPECT_EQ(t.pixels.height, expected.height);
        bool transparent = path.find("alpha") != std::string::npos;
        EXPECT_EQ(t.alpha, transparent ? WTSAT_ARGB : WTSAT_RGB);
        if (transparent)
            EXPECT_EQ(t.pixels.rgba, expected.rgba);
        else {
            // The DIB's alpha byte means nothing under WTSAT_RGB.
            ASSERT_EQ(t.pixels.rgba.size(), expected.rgba.size());
            for (size_t i = 0; i < expected.rgba.size(); i += 4)
                ASSERT_TRUE(memcmp(&t.pixels.rgba[i], &expected.rgba[i], 3) == 0) << "pixel " << i / 4;
        }
    }
    // A small size: the landscape (640 x 480) fits 32 x 32 as 32 x 24.
    Thumbnail small = ThumbnailOfFile(SamplePath("landscape.jpg"), 32);
    ASSERT_EQ(small.result, S_OK);
    EXPECT_EQ(small.pixels.width, 32);
    EXPECT_EQ(small.pixels.height, 24);
}

// A canvas or an item cut short (a quarter is left: no picture), a file of
// no known kind and an empty one fail with an HRESULT that says why; a
// stream claiming a terabyte is refused before it is read.
TEST_F(ThumbnailProviderTest, BadInputFailsCleanly)
{
    const HRESULT invalid = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    for (const char* name : {"sunset.cnv", "kirakira.itm"}) {
        std::string whole = Contents(SamplePath(name));
        ASSERT_GT(whole.size(), 64u);
        EXPECT_EQ(ThumbnailOfFile(temp.Write(std::string("cut_") + name, whole.substr(0, whole.size() / 4)), 256).result,
                  invalid) << name;
    }
    EXPECT_EQ(ThumbnailOfFile(temp.Write("text.esi", "not a painter file"), 256).result,
              HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
    EXPECT_TRUE(FAILED(ThumbnailOfFile(temp.Write("empty.itm", ""), 256).result));

    HugeStream huge;
    EXPECT_EQ(ThumbnailOfStream(&huge, 256).result, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
    EXPECT_EQ(huge.bytesRead, 0u);
}

// Providers on several threads at once, as the shell's thumbnail extractor
// runs them: each gives what it gives alone.
TEST_F(ThumbnailProviderTest, ProvidersOnSeveralThreads)
{
    std::vector<std::string> files = InputFiles();
    std::vector<Thumbnail> alone;
    for (const std::string& path : files)
        alone.push_back(ThumbnailOfFile(path, 96));
    std::vector<std::vector<Thumbnail>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results)
        threads.emplace_back([&files, &result] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            for (int round = 0; round < 3; ++round)
                for (const std::string& path : files)
                    result.push_back(ThumbnailOfFile(path, 96));
            CoUninitialize();
        });
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& result : results) {
        ASSERT_EQ(result.size(), files.size() * 3);
        for (size_t i = 0; i < result.size(); ++i) {
            EXPECT_EQ(result[i].result, S_OK);
            EXPECT_EQ(result[i].pixels.rgba, alone[i % files.size()].pixels.rgba) << files[i % files.size()];
        }
    }
}

} // namespace
