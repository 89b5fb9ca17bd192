// zavik_wic.dll. WicFactory: through WIC itself, as any program opens a
// file, which needs the decoder registered (the installer's test runs it
// after a per-machine install). WicDirect: the DLL loaded by path and its
// decoder created through DllGetClassObject, which runs anywhere.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include "../support/temp_files.h"
#include "hosts/windows/guids.h"
#include "hosts_test_support.h"

using namespace hosts_test;

namespace {

// The frame's pixels as RGBA: through WIC's converter to 32bppBGRA, as a
// program calls it, when convert is set (our frame already is 32bppBGRA).
HRESULT FramePixels(bool convert, IWICBitmapSource* frame, Pixels& out)
{
    IWICBitmapSource* converted = frame;
    HRESULT hr = convert ? WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame, &converted) : S_OK;
    if (FAILED(hr))
        return hr;
    UINT width = 0, height = 0;
    hr = converted->GetSize(&width, &height);
    if (SUCCEEDED(hr)) {
        out.width = static_cast<int>(width);
        out.height = static_cast<int>(height);
        out.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
        hr = converted->CopyPixels(nullptr, width * 4, static_cast<UINT>(out.rgba.size()), out.rgba.data());
        for (size_t i = 0; i < out.rgba.size(); i += 4)
            std::swap(out.rgba[i], out.rgba[i + 2]);
    }
    if (convert)
        converted->Release();
    return hr;
}

// The first frame's pixels.
HRESULT DecodedPixels(bool convert, IWICBitmapDecoder* decoder, Pixels& out)
{
    IWICBitmapFrameDecode* frame = nullptr;
    HRESULT hr = decoder->GetFrame(0, &frame);
    if (SUCCEEDED(hr)) {
        hr = FramePixels(convert, frame, out);
        frame->Release();
    }
    return hr;
}

// What `zavik render` (100 %) makes of the file, read back.
Pixels Rendered(const TempDir& temp, const std::string& path)
{
    Pixels expected;
    std::string out = temp.Path("rendered.bmp");
    EXPECT_EQ(RunZavik({"render", path, out}), 0u);
    EXPECT_TRUE(ReadPicture(out, expected));
    DeleteFileA(out.c_str());
    return expected;
}

const char* const kPainterKinds[] = {"hanako.esi", "sunset.cnv", "kirakira.itm"};

class WicFactory : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory)),
                  S_OK);
    }
    void TearDown() override
    {
        if (factory)
            factory->Release();
        CoUninitialize();
    }

    HRESULT Open(const std::string& path, IWICBitmapDecoder** decoder)
    {
        return factory->CreateDecoderFromFilename(Widen(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder);
    }

    IWICImagingFactory* factory = nullptr;
    TempDir temp;
};

// Each painter, canvas and item sample, under its own name and renamed to
// extensions that say nothing or something else: WIC picks the decoder by
// the content, and the pixels are those `zavik render` draws.
TEST_F(WicFactory, FindsTheDecoderByContentAndDecodesAsRender)
{
    for (const char* name : kPainterKinds) {
        Pixels expected = Rendered(temp, SamplePath(name));
        std::string bytes = Contents(SamplePath(name));
        for (const std::string& path : {SamplePath(name), temp.Write(std::string(name) + ".dat", bytes),
                                        temp.Write(std::string(name) + ".png", bytes)}) {
            SCOPED_TRACE(path);
            IWICBitmapDecoder* decoder = nullptr;
            ASSERT_EQ(Open(path, &decoder), S_OK);
            GUID format = {};
            EXPECT_EQ(decoder->GetContainerFormat(&format), S_OK);
            EXPECT_TRUE(IsEqualGUID(format, GUID_ZavikContainerFormat));
            UINT frames = 0;
            EXPECT_EQ(decoder->GetFrameCount(&frames), S_OK);
            EXPECT_EQ(frames, 1u);
            Pixels got;
            EXPECT_EQ(DecodedPixels(true, decoder, got), S_OK);
            decoder->Release();
            EXPECT_EQ(got.width, expected.width);
            EXPECT_EQ(got.height, expected.height);
            EXPECT_TRUE(got.rgba == expected.rgba);
        }
    }
}

// What WIC reads back of the registration; a JPEG is not claimed (WIC's
// own decoder takes it); a canvas cut to a quarter (no picture comes of it)
// and its magic alone fail cleanly.
TEST_F(WicFactory, RegistrationAndFilesNotDecoded)
{
    IWICBitmapDecoder* decoder = nullptr;
    ASSERT_EQ(Open(SamplePath("hanako.esi"), &decoder), S_OK);
    IWICBitmapDecoderInfo* info = nullptr;
    ASSERT_EQ(decoder->GetDecoderInfo(&info), S_OK);
    decoder->Release();
    wchar_t text[256];
    UINT length = 0;
    EXPECT_EQ(info->GetFileExtensions(256, text, &length), S_OK);
    EXPECT_STREQ(text, L".esi,.cnv,.itm");
    EXPECT_EQ(info->GetMimeTypes(256, text, &length), S_OK);
    EXPECT_STREQ(text, L"application/x-zavik-painter,application/x-zavik-canvas,application/x-zavik-item");
    EXPECT_EQ(info->GetFriendlyName(256, text, &length), S_OK);
    EXPECT_STREQ(text, L"zavik view painter, canvas and item decoder");
    info->Release();

    ASSERT_EQ(Open(SamplePath("landscape.jpg"), &decoder), S_OK);
    GUID format = {};
    EXPECT_EQ(decoder->GetContainerFormat(&format), S_OK);
    EXPECT_FALSE(IsEqualGUID(format, GUID_ZavikContainerFormat));
    decoder->Release();

    std::string canvas = Contents(SamplePath("sunset.cnv"));
    for (const std::string& path : {temp.Write("cut.cnv", canvas.substr(0, canvas.size() / 4)),
                                    temp.Write("magic.cnv", canvas.substr(0, 11))}) {
        decoder = nullptr;
        EXPECT_TRUE(FAILED(Open(path, &decoder))) << path;
        EXPECT_EQ(decoder, nullptr);
    }
}

class WicDirect : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        dll = LoadHostDll("zavik_wic.dll", "ZAVIK_WIC_DLL");
        ASSERT_NE(dll, nullptr);
    }
    void TearDown() override { CoUninitialize(); }

    IWICBitmapDecoder* NewDecoder()
    {
        IClassFactory* classFactory = nullptr;
        if (FAILED(GetClassObjectFrom(dll, CLSID_ZavikWicDecoder, IID_IClassFactory, reinterpret_cast<void**>(&classFactory))))
            return nullptr;
        IWICBitmapDecoder* decoder = nullptr;
        classFactory->CreateInstance(nullptr, IID_IWICBitmapDecoder, reinterpret_cast<void**>(&decoder));
        classFactory->Release();
        return decoder;
    }

    // QueryCapability then Initialize on a stream of the file.
    HRESULT Decode(const std::string& path, IWICBitmapDecoder* decoder, DWORD* capability)
    {
        IStream* stream = nullptr;
        HRESULT hr = SHCreateStreamOnFileEx(Widen(path).c_str(), STGM_READ | STGM_SHARE_DENY_NONE, 0, FALSE, nullptr, &stream);
        if (FAILED(hr))
            return hr;
        hr = decoder->QueryCapability(stream, capability);
        ULARGE_INTEGER at = {};
        LARGE_INTEGER zero = {};
        stream->Seek(zero, STREAM_SEEK_CUR, &at);
        EXPECT_EQ(at.QuadPart, 0u) << "QueryCapability moved the stream";
        if (SUCCEEDED(hr))
            hr = decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand);
        stream->Release();
        return hr;
    }

    HMODULE dll = nullptr;
    TempDir temp;
};

// Without WIC's registry, through the class object: a PNG with an alpha
// channel given straight to the decoder (not claimed by its magic) keeps its
// alpha, straight, not premultiplied, as `zavik convert` saves it. (The
// painter kinds are compared with `zavik render` through WIC itself.)
TEST_F(WicDirect, DecodesThroughTheClassObject)
{
    std::string alphaPng = RegressionPath("png/grey_alpha.png");
    IWICBitmapDecoder* decoder = NewDecoder();
    ASSERT_NE(decoder, nullptr);
    DWORD capability = 1;
    ASSERT_EQ(Decode(alphaPng, decoder, &capability), S_OK);
    EXPECT_EQ(capability, 0u) << "only the painter kinds are claimed";
    Pixels got, expected;
    EXPECT_EQ(DecodedPixels(false, decoder, got), S_OK);
    decoder->Release();
    std::string out = temp.Path("alpha.png");
    ASSERT_EQ(RunZavik({"convert", alphaPng, out}), 0u);
    ASSERT_TRUE(ReadPicture(out, expected));
    EXPECT_TRUE(got.rgba == expected.rgba);
}

// The frame's CopyPixels keeps to what it is given (a part of the picture
// into a padded stride; a rectangle beyond the picture, a stride or buffer
// too small refused); the decoder refuses a second Initialize and a frame it
// does not have; hostile files (a canvas cut to a quarter, its magic alone,
// text behind a painter's magic) fail and leave no frame.
TEST_F(WicDirect, ArgumentsAndHostileFiles)
{
    IWICBitmapDecoder* decoder = NewDecoder();
    ASSERT_NE(decoder, nullptr);
    DWORD capability = 0;
    ASSERT_EQ(Decode(SamplePath("kirakira.itm"), decoder, &capability), S_OK);
    EXPECT_EQ(capability, static_cast<DWORD>(WICBitmapDecoderCapabilityCanDecodeAllImages));
    EXPECT_EQ(Decode(SamplePath("kirakira.itm"), decoder, &capability), WINCODEC_ERR_WRONGSTATE);
    IWICBitmapFrameDecode* frame = nullptr;
    EXPECT_EQ(decoder->GetFrame(1, &frame), WINCODEC_ERR_FRAMEMISSING);
    ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);
    decoder->Release(); // the frame keeps the picture
    Pixels whole;
    EXPECT_EQ(FramePixels(false, frame, whole), S_OK);
    const INT width = whole.width, height = whole.height;
    std::vector<unsigned char> part(2 * 16, 0xcd);
    WICRect inside = {width - 3, height - 2, 3, 2};
    ASSERT_EQ(frame->CopyPixels(&inside, 16, 16 + 12, part.data()), S_OK);
    for (int row = 0; row < 2; ++row) {
        std::vector<unsigned char> pixel(&part[row * 16], &part[row * 16 + 12]);
        for (size_t i = 0; i < 12; i += 4)
            std::swap(pixel[i], pixel[i + 2]);
        EXPECT_EQ(memcmp(pixel.data(), &whole.rgba[((inside.Y + row) * width + inside.X) * 4], 12), 0);
    }
    EXPECT_EQ(part[12], 0xcd) << "the stride's padding was written";
    EXPECT_EQ(part[28], 0xcd) << "written beyond the last row";
    WICRect beyond = {width - 2, 0, 3, 1}, negative = {-1, 0, 1, 1};
    EXPECT_EQ(frame->CopyPixels(&beyond, 64, 64, part.data()), E_INVALIDARG);
    EXPECT_EQ(frame->CopyPixels(&negative, 64, 64, part.data()), E_INVALIDARG);
    EXPECT_EQ(frame->CopyPixels(&inside, 8, 64, part.data()), E_INVALIDARG);
    EXPECT_EQ(frame->CopyPixels(&inside, 16, 27, part.data()), WINCODEC_ERR_INSUFFICIENTBUFFER);
    EXPECT_EQ(frame->CopyPixels(nullptr, 0xffffffffu, 0xffffffffu, part.data()), WINCODEC_ERR_INSUFFICIENTBUFFER);
    frame->Release();

    std::string canvas = Contents(SamplePath("sunset.cnv"));
    for (const std::string& path : {temp.Write("cut.cnv", canvas.substr(0, canvas.size() / 4)),
                                    temp.Write("magic.cnv", canvas.substr(0, 11)),
                                    temp.Write("text.esi", "esi file 0a but nothing more of one")}) {
        SCOPED_TRACE(path);
        decoder = NewDecoder();
        EXPECT_TRUE(FAILED(Decode(path, decoder, &capability)));
        EXPECT_EQ(decoder->GetFrame(0, &frame), WINCODEC_ERR_NOTINITIALIZED);
        decoder->Release();
    }
}

} // namespace
