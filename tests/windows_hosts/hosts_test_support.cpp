#include "hosts_test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "zavik/zavik.h"

namespace hosts_test {

std::vector<std::string> InputFiles()
{
    return {SamplePath("hanako.esi"), SamplePath("sunset.cnv"), SamplePath("kirakira.itm"),
            SamplePath("landscape.jpg"), RegressionPath("png/grey_alpha.png")};
}

std::string SamplePath(const std::string& name) { return std::string(ZAVIK_SAMPLES_DIR) + "/" + name; }

std::string RegressionPath(const std::string& name) { return std::string(ZAVIK_REGRESSION_DIR) + "/" + name; }

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

DWORD RunZavik(const std::vector<std::string>& arguments)
{
    std::string line = "\"" ZAVIK_BIN_DIR "/zavik.exe\"";
    for (const std::string& argument : arguments)
        line += " \"" + argument + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info))
        return 0xDEAD;
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    else
        TerminateProcess(info.hProcess, 0xDEAD);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}

bool ReadPicture(const std::string& path, Pixels& out)
{
    zavik_file* file = nullptr;
    bool ok = zavik_open_path(path.c_str(), &file) == ZAVIK_OK;
    if (ok) {
        out.width = zavik_width(file);
        out.height = zavik_height(file);
        out.rgba.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
        ok = zavik_picture_rgba(file, out.rgba.data(), static_cast<size_t>(out.width) * 4) == ZAVIK_OK;
    }
    zavik_close(file);
    return ok;
}

HMODULE LoadHostDll(const char* name, const char* environmentOverride)
{
    const char* installed = std::getenv(environmentOverride);
    std::string path = installed && *installed ? std::string(installed) : std::string(ZAVIK_BIN_DIR "/") + name;
    return LoadLibraryA(path.c_str());
}

HRESULT GetClassObjectFrom(HMODULE dll, REFCLSID clsid, REFIID riid, void** out)
{
    typedef HRESULT(__stdcall * GetClassObject)(REFCLSID, REFIID, void**);
    GetClassObject get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    if (!get)
        return E_NOINTERFACE;
    return get(clsid, riid, out);
}

std::wstring Widen(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], n);
    return wide;
}

} // namespace hosts_test
