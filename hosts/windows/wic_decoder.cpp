// zavik_wic.dll: a WIC decoder for painter, canvas and item files, so that
// any program using WIC (the Photos viewers, Explorer's previews, image
// editors built on WIC) opens them. WIC finds it by the files' first 11
// bytes (the patterns the installer registers) and asks it for one frame,
// the picture zavik view saves to PNG, in GUID_WICPixelFormat32bppBGRA:
// straight alpha where the picture has transparency, opaque elsewhere.
#include <windows.h>
#include <objidl.h>
#include <wincodec.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "hosts/windows/com_module.h"
#include "hosts/windows/guids.h"
#include "zavik/zavik.h"

namespace {

// The decoded picture, shared by the decoder and its frame: the frame may
// outlive the decoder.
struct Picture {
    UINT width = 0;
    UINT height = 0;
    std::vector<unsigned char> bgra; // width x 4 bytes a row, top row first
};

HRESULT StatusResult(zavik_status status)
{
    switch (status) {
    case ZAVIK_OK: return S_OK;
    case ZAVIK_ERROR_NO_MEMORY: return E_OUTOFMEMORY;
    case ZAVIK_ERROR_UNSUPPORTED: return WINCODEC_ERR_COMPONENTNOTFOUND;
    default: return WINCODEC_ERR_BADIMAGE;
    }
}

// What the decoder and its frame both lack: a palette, metadata, colour
// contexts, an embedded thumbnail.
template <class Interface>
class WithoutExtras : public Interface {
public:
    STDMETHODIMP CopyPalette(IWICPalette*) override { return WINCODEC_ERR_PALETTEUNAVAILABLE; }
    STDMETHODIMP GetMetadataQueryReader(IWICMetadataQueryReader** reader) override
    {
        if (reader)
            *reader = nullptr;
        return WINCODEC_ERR_UNSUPPORTEDOPERATION;
    }
    STDMETHODIMP GetColorContexts(UINT, IWICColorContext**, UINT* count) override
    {
        if (!count)
            return E_INVALIDARG;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetThumbnail(IWICBitmapSource** thumbnail) override
    {
        if (thumbnail)
            *thumbnail = nullptr;
        return WINCODEC_ERR_CODECNOTHUMBNAIL;
    }
};

class Frame final : public WithoutExtras<IWICBitmapFrameDecode>, private zavik_com::ComObject {
public:
    explicit Frame(std::shared_ptr<const Picture> picture) : picture_(std::move(picture)) {}

    ZAVIK_COM_IUNKNOWN

    STDMETHODIMP GetSize(UINT* width, UINT* height) override
    {
        if (!width || !height)
            return E_INVALIDARG;
        *width = picture_->width;
        *height = picture_->height;
        return S_OK;
    }
    STDMETHODIMP GetPixelFormat(WICPixelFormatGUID* format) override
    {
        if (!format)
            return E_INVALIDARG;
        *format = GUID_WICPixelFormat32bppBGRA;
        return S_OK;
    }
    // The files record no resolution: the screen's customary 96 dpi.
    STDMETHODIMP GetResolution(double* x, double* y) override
    {
        if (!x || !y)
            return E_INVALIDARG;
        *x = *y = 96.0;
        return S_OK;
    }
    STDMETHODIMP CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override
    {
        const Picture& p = *picture_;
        WICRect whole = {0, 0, static_cast<INT>(p.width), static_cast<INT>(p.height)};
        const WICRect& r = rect ? *rect : whole;
        if (!buffer)
            return E_INVALIDARG;
        if (r.X < 0 || r.Y < 0 || r.Width < 0 || r.Height < 0 ||
            static_cast<UINT64>(r.X) + static_cast<UINT64>(r.Width) > p.width ||
            static_cast<UINT64>(r.Y) + static_cast<UINT64>(r.Height) > p.height)
            return E_INVALIDARG;
        if (r.Width == 0 || r.Height == 0)
            return S_OK;
        UINT64 rowBytes = static_cast<UINT64>(r.Width) * 4;
        if (stride < rowBytes)
            return E_INVALIDARG;
        if (static_cast<UINT64>(stride) * (r.Height - 1) + rowBytes > bufferSize)
            return WINCODEC_ERR_INSUFFICIENTBUFFER;
        for (INT row = 0; row < r.Height; ++row) {
            const unsigned char* from = p.bgra.data() + (static_cast<size_t>(r.Y + row) * p.width + r.X) * 4;
            std::memcpy(buffer + static_cast<size_t>(stride) * row, from, static_cast<size_t>(rowBytes));
        }
        return S_OK;
    }

private:
    IUnknown* Find(REFIID riid) override
    {
        return AnswerFor(riid, {IID_IUnknown, IID_IWICBitmapSource, IID_IWICBitmapFrameDecode}, this);
    }

    std::shared_ptr<const Picture> picture_;
};

class Decoder final : public WithoutExtras<IWICBitmapDecoder>, private zavik_com::ComObject {
public:
    Decoder() { InitializeCriticalSection(&lock_); }
    ~Decoder() override { DeleteCriticalSection(&lock_); }

    ZAVIK_COM_IUNKNOWN

    // By the magic alone, leaving the stream where it was: WIC asks before
    // it chooses a decoder.
    STDMETHODIMP QueryCapability(IStream* stream, DWORD* capability) override
    {
        if (!stream || !capability)
            return E_INVALIDARG;
        *capability = 0;
        LARGE_INTEGER zero = {};
        ULARGE_INTEGER was = {};
        HRESULT hr = stream->Seek(zero, STREAM_SEEK_CUR, &was);
        if (FAILED(hr))
            return hr;
        unsigned char header[ZAVIK_HOST_MAGIC_LENGTH] = {};
        ULONG got = 0;
        hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        if (SUCCEEDED(hr))
            hr = stream->Read(header, sizeof header, &got);
        LARGE_INTEGER back;
        back.QuadPart = static_cast<LONGLONG>(was.QuadPart);
        stream->Seek(back, STREAM_SEEK_SET, nullptr);
        if (FAILED(hr))
            return hr;
        if (zavik_host_has_magic(header, got))
            *capability = WICBitmapDecoderCapabilityCanDecodeAllImages;
        return S_OK;
    }

    STDMETHODIMP Initialize(IStream* stream, WICDecodeOptions) override
    {
        if (!stream)
            return E_INVALIDARG;
        EnterCriticalSection(&lock_);
        HRESULT hr = picture_ ? WINCODEC_ERR_WRONGSTATE : Decode(stream);
        LeaveCriticalSection(&lock_);
        return hr;
    }

    STDMETHODIMP GetContainerFormat(GUID* format) override
    {
        if (!format)
            return E_INVALIDARG;
        *format = GUID_ZavikContainerFormat;
        return S_OK;
    }

    // What the registration says of this decoder, through WIC's own
    // component information.
    STDMETHODIMP GetDecoderInfo(IWICBitmapDecoderInfo** info) override
    {
        if (!info)
            return E_INVALIDARG;
        *info = nullptr;
        IWICImagingFactory* factory = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(&factory));
        if (FAILED(hr))
            return hr;
        IWICComponentInfo* component = nullptr;
        hr = factory->CreateComponentInfo(CLSID_ZavikWicDecoder, &component);
        factory->Release();
        if (FAILED(hr))
            return hr;
        hr = component->QueryInterface(IID_IWICBitmapDecoderInfo, reinterpret_cast<void**>(info));
        component->Release();
        return hr;
    }

    STDMETHODIMP GetPreview(IWICBitmapSource** preview) override
    {
        if (preview)
            *preview = nullptr;
        return WINCODEC_ERR_UNSUPPORTEDOPERATION;
    }
    STDMETHODIMP GetFrameCount(UINT* count) override
    {
        if (!count)
            return E_INVALIDARG;
        bool ready = Current() != nullptr;
        *count = ready ? 1 : 0;
        return ready ? S_OK : WINCODEC_ERR_NOTINITIALIZED;
    }
    STDMETHODIMP GetFrame(UINT index, IWICBitmapFrameDecode** frame) override
    {
        if (!frame)
            return E_INVALIDARG;
        *frame = nullptr;
        std::shared_ptr<const Picture> picture = Current();
        if (!picture)
            return WINCODEC_ERR_NOTINITIALIZED;
        if (index != 0)
            return WINCODEC_ERR_FRAMEMISSING;
        Frame* made = new (std::nothrow) Frame(std::move(picture));
        if (!made)
            return E_OUTOFMEMORY;
        *frame = made;
        return S_OK;
    }

private:
    IUnknown* Find(REFIID riid) override { return AnswerFor(riid, {IID_IUnknown, IID_IWICBitmapDecoder}, this); }

    // The decoded picture, or null before a successful Initialize.
    std::shared_ptr<const Picture> Current()
    {
        EnterCriticalSection(&lock_);
        std::shared_ptr<const Picture> picture = picture_;
        LeaveCriticalSection(&lock_);
        return picture;
    }

    HRESULT Decode(IStream* stream)
    {
        std::vector<unsigned char> bytes;
        HRESULT hr = zavik_com::ReadWholeStream(stream, bytes);
        if (FAILED(hr))
            return hr;
        std::string name = zavik_com::StreamNameForLibrary(stream);
        zavik_file* file = nullptr;
        hr = StatusResult(zavik_open_memory(bytes.data(), bytes.size(), name.empty() ? nullptr : name.c_str(), &file));
        std::vector<unsigned char>().swap(bytes);
        std::shared_ptr<Picture> picture;
        if (SUCCEEDED(hr)) {
            int width = zavik_width(file), height = zavik_height(file);
            if (width <= 0 || height <= 0)
                hr = WINCODEC_ERR_BADIMAGE;
            else {
                try {
                    picture = std::make_shared<Picture>();
                    picture->width = static_cast<UINT>(width);
                    picture->height = static_cast<UINT>(height);
                    picture->bgra.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
                } catch (const std::bad_alloc&) {
                    picture.reset();
                    hr = E_OUTOFMEMORY;
                }
            }
        }
        if (SUCCEEDED(hr))
            hr = StatusResult(zavik_picture_rgba(file, picture->bgra.data(), static_cast<size_t>(picture->width) * 4));
        zavik_close(file);
        if (FAILED(hr))
            return hr;
        // RGBA to BGRA in place; the alpha stays straight, as 32bppBGRA is.
        unsigned char* p = picture->bgra.data();
        for (size_t i = 0, n = picture->bgra.size(); i < n; i += 4) {
            unsigned char red = p[i];
            p[i] = p[i + 2];
            p[i + 2] = red;
        }
        picture_ = std::move(picture);
        return S_OK;
    }

    CRITICAL_SECTION lock_;
    std::shared_ptr<const Picture> picture_;
};

} // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** out)
{
    return zavik_com::GetClassObject<Decoder>(clsid, CLSID_ZavikWicDecoder, riid, out);
}

extern "C" HRESULT __stdcall DllCanUnloadNow()
{
    return zavik_com::ModuleInUse() ? S_FALSE : S_OK;
}
