#include "hosts/windows/com_module.h"

#include <algorithm>

namespace zavik_com {

namespace {
LONG g_references = 0;
}

void AddModuleReference() { InterlockedIncrement(&g_references); }
void ReleaseModuleReference() { InterlockedDecrement(&g_references); }
bool ModuleInUse() { return InterlockedCompareExchange(&g_references, 0, 0) != 0; }

HRESULT ReadWholeStream(IStream* stream, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    if (!stream)
        return E_POINTER;
    // The size the stream states only sizes the first allocation; the reads
    // decide, so a stream that lies about its length is still bounded.
    STATSTG stat = {};
    if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart > kMaxStreamBytes)
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    LARGE_INTEGER start = {};
    HRESULT hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr))
        return hr;
    try {
        const ULONG chunk = 1u << 20;
        // A chunk more than stated, so that the last read (which finds the
        // end) does not move the whole file.
        bytes.reserve(static_cast<size_t>(stat.cbSize.QuadPart) + chunk);
        for (;;) {
            size_t have = bytes.size();
            if (have > kMaxStreamBytes) {
                bytes.clear();
                bytes.shrink_to_fit();
                return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
            }
            // One byte beyond the bound is asked for, to tell a stream of
            // exactly kMaxStreamBytes from a longer one.
            ULONG want = static_cast<ULONG>(std::min<ULONGLONG>(chunk, kMaxStreamBytes + 1 - have));
            bytes.resize(have + want);
            ULONG got = 0;
            hr = stream->Read(bytes.data() + have, want, &got);
            if (FAILED(hr)) {
                bytes.clear();
                bytes.shrink_to_fit();
                return hr;
            }
            got = std::min(got, want);
            bytes.resize(have + got);
            if (got == 0)
                break;
        }
    } catch (const std::bad_alloc&) {
        bytes.clear();
        bytes.shrink_to_fit();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

std::string StreamNameForLibrary(IStream* stream)
{
    STATSTG stat = {};
    if (!stream || FAILED(stream->Stat(&stat, STATFLAG_DEFAULT)))
        return std::string();
    std::string name;
    if (stat.pwcsName) {
        const wchar_t* dot = wcsrchr(stat.pwcsName, L'.');
        if (dot && !wcschr(dot, L'\\') && !wcschr(dot, L'/') && wcslen(dot) <= 8) {
            name = "stream.";
            for (const wchar_t* c = dot + 1; *c; ++c) {
                if (!((*c >= L'a' && *c <= L'z') || (*c >= L'A' && *c <= L'Z') || (*c >= L'0' && *c <= L'9'))) {
                    name.clear();
                    break;
                }
                name += static_cast<char>(*c);
            }
        }
        CoTaskMemFree(stat.pwcsName);
    }
    return name;
}

} // namespace zavik_com
