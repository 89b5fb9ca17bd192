// zavik_thumbs.dll: Explorer's thumbnails of painter, canvas and item files
// (and the images the viewer opens), made by the library's thumbnail path:
// the picture reduced by area averaging to fit the size asked, never
// enlarged, with its alpha where it has one.
//
// The shell hands the file over as a stream (IInitializeWithStream), so the
// handler can run in the shell's isolated process and never needs the
// file's path; the stream is read whole, within a bound, and decoded from
// memory.
#include <windows.h>
#include <objidl.h>
#include <propsys.h>
#include <thumbcache.h>

#include <cstring>
#include <new>
#include <vector>

#include "hosts/windows/com_module.h"
#include "hosts/windows/guids.h"
#include "zavik/zavik.h"

namespace {

// IThumbnailProvider's identity, which MinGW-w64's uuid library lacks.
const IID kIThumbnailProvider = {0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};

class ThumbnailProvider final : public IThumbnailProvider, public IInitializeWithStream, private zavik_com::ComObject {
public:
    ThumbnailProvider() { InitializeCriticalSection(&lock_); }
    ~ThumbnailProvider() override { DeleteCriticalSection(&lock_); }

    ZAVIK_COM_IUNKNOWN

    // The shell initialises a handler once; the stream is read here, so
    // GetThumbnail needs nothing from the shell but the size.
    STDMETHODIMP Initialize(IStream* stream, DWORD /*mode*/) override
    {
        if (!stream)
            return E_INVALIDARG;
        EnterCriticalSection(&lock_);
        HRESULT hr;
        if (initialised_) {
            hr = HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        } else {
            hr = zavik_com::ReadWholeStream(stream, bytes_);
            if (SUCCEEDED(hr)) {
                name_ = zavik_com::StreamNameForLibrary(stream);
                initialised_ = true;
            }
        }
        LeaveCriticalSection(&lock_);
        return hr;
    }

    STDMETHODIMP GetThumbnail(UINT size, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override
    {
        if (!bitmap || !alpha)
            return E_POINTER;
        *bitmap = nullptr;
        *alpha = WTSAT_UNKNOWN;
        if (size == 0 || size > 0x7fffffffu)
            return E_INVALIDARG;
        EnterCriticalSection(&lock_);
        HRESULT hr = initialised_ ? MakeThumbnail(static_cast<int>(size), bitmap, alpha) : E_UNEXPECTED;
        LeaveCriticalSection(&lock_);
        return hr;
    }

private:
    IUnknown* Find(REFIID riid) override
    {
        if (IsEqualIID(riid, IID_IInitializeWithStream))
            return static_cast<IInitializeWithStream*>(this);
        return AnswerFor(riid, {IID_IUnknown, kIThumbnailProvider}, static_cast<IThumbnailProvider*>(this));
    }

    HRESULT MakeThumbnail(int size, HBITMAP* bitmap, WTS_ALPHATYPE* alpha)
    {
        zavik_file* file = nullptr;
        zavik_status status = zavik_open_memory(bytes_.data(), bytes_.size(), name_.empty() ? nullptr : name_.c_str(), &file);
        HRESULT hr = StatusResult(status);
        int width = 0, height = 0;
        if (SUCCEEDED(hr))
            hr = StatusResult(zavik_thumbnail_size(file, size, &width, &height));
        if (SUCCEEDED(hr) && (width <= 0 || height <= 0))
            hr = E_FAIL;
        HBITMAP made = nullptr;
        if (SUCCEEDED(hr)) {
            // A 32-bit top-down DIB: the library's rows go in as they come,
            // RGBA turned into the DIB's BGRA in place.
            BITMAPINFO info = {};
            info.bmiHeader.biSize = sizeof(info.bmiHeader);
            info.bmiHeader.biWidth = width;
            info.bmiHeader.biHeight = -height;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            made = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (!made || !bits)
                hr = E_OUTOFMEMORY;
            else {
                unsigned char* pixels = static_cast<unsigned char*>(bits);
                size_t stride = static_cast<size_t>(width) * 4;
                hr = StatusResult(zavik_thumbnail_rgba(file, size, pixels, stride));
                if (SUCCEEDED(hr)) {
                    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
                    for (size_t i = 0; i < count; ++i) {
                        unsigned char red = pixels[i * 4];
                        pixels[i * 4] = pixels[i * 4 + 2];
                        pixels[i * 4 + 2] = red;
                    }
                    *alpha = zavik_has_alpha(file) ? WTSAT_ARGB : WTSAT_RGB;
                }
            }
        }
        zavik_close(file);
        if (FAILED(hr)) {
            if (made)
                DeleteObject(made);
            return hr;
        }
        *bitmap = made;
        return S_OK;
    }

    static HRESULT StatusResult(zavik_status status)
    {
        switch (status) {
        case ZAVIK_OK: return S_OK;
        case ZAVIK_ERROR_NO_MEMORY: return E_OUTOFMEMORY;
        case ZAVIK_ERROR_ARGUMENT: return E_INVALIDARG;
        case ZAVIK_ERROR_UNSUPPORTED: return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
        default: return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        }
    }

    CRITICAL_SECTION lock_;
    bool initialised_ = false;
    std::vector<unsigned char> bytes_;
    std::string name_;
};

} // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** out)
{
    return zavik_com::GetClassObject<ThumbnailProvider>(clsid, CLSID_ZavikThumbnailProvider, riid, out);
}

extern "C" HRESULT __stdcall DllCanUnloadNow()
{
    return zavik_com::ModuleInUse() ? S_FALSE : S_OK;
}
